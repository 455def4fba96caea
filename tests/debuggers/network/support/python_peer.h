#pragma once

#include <winsock2.h>

#include <string>
#include <vector>

namespace nubo::testing {

// A loopback socket peer written in Python (by default peers/network_peer.py), started
// through Wine as a Unix program. It connects back to a control socket of
// this process and obeys one command per line; it ends when this object
// closes the control connection, or when this process dies.
class PythonPeer {
 public:
  PythonPeer();
  // A peer of another script (a Unix path) that follows the same protocol.
  explicit PythonPeer(const std::string& script);
  ~PythonPeer();
  PythonPeer(const PythonPeer&) = delete;
  PythonPeer& operator=(const PythonPeer&) = delete;

  // Runs one command; the text after "OK". Throws with the peer's complaint.
  std::string Call(const std::string& command);
  // The same, split at blanks.
  std::vector<std::string> Words(const std::string& command);
  // The first word as a number (an id or a port).
  int Number(const std::string& command);

 private:
  std::string ReadLine();

  SOCKET control_ = INVALID_SOCKET;
  std::string buffered_;
};

std::vector<std::string> SplitWords(const std::string& text);

}  // namespace nubo::testing
