#pragma once

// One mode of a running session (TCP client, TCP server or UDP), driven by the
// worker thread: opened once, then passes of one readiness wait, then closed.
// Every mode reports through the same sink.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "debuggers/common/net_resolve.h"
#include "debuggers/common/socket_layer.h"
#include "debuggers/network/network_sink.h"
#include "debuggers/network/network_types.h"

namespace nubo {

struct NetworkSendItem {
  std::vector<uint8_t> bytes;
  uint64_t targetPeerId = 0;
};

// What every mode works with; all of it outlives the session.
struct NetworkSessionContext {
  NetworkSink& sink;
  const NetworkSessionConfig& config;
  const NetResolveSystem& resolver;
  // Set with a stop request; ends a pending name resolution.
  const std::atomic<bool>& abandonResolve;
  std::vector<uint8_t>& receiveBuffer;
  // Peer ids go on rising from one session to the next.
  uint64_t& nextPeerId;
};

class NetworkSession {
 public:
  virtual ~NetworkSession() = default;

  // Opens the mode's sockets; false when that failed (already reported).
  virtual bool Open() = 0;
  // A send the user queued; its bytes count as pending until sent or dropped.
  virtual void Queue(NetworkSendItem item) = 0;
  // Adds the sockets to wait on in this pass.
  virtual void Watch(std::vector<NetSelectEntry>& entries) = 0;
  // Handles one wait (ready or not) on the entries Watch added, reading at
  // most readShare bytes from each socket; false ends the session.
  virtual bool Process(const std::vector<NetSelectEntry>& entries, size_t readShare) = 0;
  // Leaves what the mode joined and closes its sockets.
  virtual void Close() = 0;
};

std::unique_ptr<NetworkSession> MakeTcpClientSession(const NetworkSessionContext& context);
std::unique_ptr<NetworkSession> MakeTcpServerSession(const NetworkSessionContext& context);
std::unique_ptr<NetworkSession> MakeUdpSession(const NetworkSessionContext& context);

// Numeric host text and port of an address; "?" and 0 when unavailable.
void AddressText(const NetAddress& address, std::string& host, uint16_t& port);
// "host:port", an IPv6 host in brackets.
std::string EndpointLabel(const std::string& host, uint16_t port);
std::string AddressLabel(const NetAddress& address);

// Resolves for the session (at most kResolveCapacity addresses); the count or -1 with code.
int ResolveForSession(const NetworkSessionContext& context, const std::string& host, uint16_t port, int kind,
                      bool passive, NetAddress* out, int& code);
// Reports a failed resolution, unless a stop request abandoned it; false.
bool FailResolution(const NetworkSessionContext& context, std::string_view operation, int code);

// Why a local address may not serve a socket toward target (null: toward any
// address): 0 when it may, WSAEAFNOSUPPORT for another IP version, WSAEACCES
// outside loopback without the local-network permission.
int LocalAddressRefusal(const NetAddress& local, const NetAddress* target, bool allowLan);

// One queued TCP buffer; a broadcast shares its bytes between the peers.
struct OutgoingBuffer {
  std::shared_ptr<const std::vector<uint8_t>> bytes;
  size_t sent = 0;
};
using OutgoingQueue = std::deque<OutgoingBuffer>;

// The unsent bytes of a queue.
uint64_t UnsentBytes(const OutgoingQueue& queue);

// One connected TCP socket as the client and the server's peers share it.
struct TcpStream {
  uint64_t peerId = 0;
  SocketHandle socket;
  std::string host;
  uint16_t port = 0;
  std::string label;  // "host:port"
  OutgoingQueue queue;
};

// How one pass of reads on a TCP stream ended; code holds the failure's.
enum class TcpReadEnd { kDone, kClosed, kFailed };
TcpReadEnd ReadTcpPass(const NetworkSessionContext& context, TcpStream& stream, size_t readShare, int& code);
// Sends what the queue holds until the system would block; false after a
// failure (logged).
bool FlushTcpQueue(NetworkSink& sink, TcpStream& stream);

}  // namespace nubo
