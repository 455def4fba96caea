#include "tests/debuggers/network/support/python_peer.h"

#include <windows.h>

#include <sstream>
#include <stdexcept>

namespace nubo::testing {
namespace {

constexpr long kConnectBackSeconds = 30;

// Wine runs a program that is not a Windows image as a Unix process.
constexpr wchar_t kPython[] = L"Z:\\usr\\bin\\python3";

std::wstring Widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

void Require(bool condition, const std::string& what) {
  if (!condition) throw std::runtime_error("python peer: " + what + " (" + std::to_string(WSAGetLastError()) + ")");
}

}  // namespace

PythonPeer::PythonPeer() : PythonPeer(NUBO_NETWORK_PEER_SCRIPT) {}

PythonPeer::PythonPeer(const std::string& script) {
  WSADATA data{};
  Require(WSAStartup(MAKEWORD(2, 2), &data) == 0, "WSAStartup");
  SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  Require(listener != INVALID_SOCKET, "socket");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int length = sizeof(address);
  const bool listening = bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
                         getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) == 0 &&
                         listen(listener, 1) == 0;
  if (!listening) closesocket(listener);
  Require(listening, "control listener");

  std::wstring command = L"/usr/bin/python3 " + Widen(script) + L" " +
                         std::to_wstring(ntohs(address.sin_port));
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  const BOOL started =
      CreateProcessW(kPython, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process);
  if (process.hProcess != nullptr) CloseHandle(process.hProcess);
  if (process.hThread != nullptr) CloseHandle(process.hThread);
  if (!started) closesocket(listener);
  Require(started != FALSE, "start /usr/bin/python3");

  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(listener, &readable);
  timeval timeout{kConnectBackSeconds, 0};
  if (select(0, &readable, nullptr, nullptr, &timeout) == 1) control_ = accept(listener, nullptr, nullptr);
  closesocket(listener);
  Require(control_ != INVALID_SOCKET, "the peer did not connect back");
}

PythonPeer::~PythonPeer() {
  if (control_ != INVALID_SOCKET) closesocket(control_);
  WSACleanup();
}

std::string PythonPeer::ReadLine() {
  for (;;) {
    const size_t end = buffered_.find('\n');
    if (end != std::string::npos) {
      std::string line = buffered_.substr(0, end);
      buffered_.erase(0, end + 1);
      return line;
    }
    char chunk[4096];
    const int received = recv(control_, chunk, sizeof(chunk), 0);
    Require(received > 0, "control connection ended");
    buffered_.append(chunk, static_cast<size_t>(received));
  }
}

std::string PythonPeer::Call(const std::string& command) {
  const std::string line = command + "\n";
  Require(send(control_, line.data(), static_cast<int>(line.size()), 0) == static_cast<int>(line.size()),
          "send command");
  const std::string answer = ReadLine();
  if (answer.rfind("OK", 0) != 0) throw std::runtime_error("python peer: " + command + ": " + answer);
  return answer.size() > 3 ? answer.substr(3) : std::string();
}

std::vector<std::string> PythonPeer::Words(const std::string& command) { return SplitWords(Call(command)); }

int PythonPeer::Number(const std::string& command) {
  const std::vector<std::string> words = Words(command);
  Require(!words.empty(), "no answer to " + command);
  return std::stoi(words.front());
}

std::vector<std::string> SplitWords(const std::string& text) {
  std::istringstream stream(text);
  std::vector<std::string> words;
  for (std::string word; stream >> word;) words.push_back(word);
  return words;
}

}  // namespace nubo::testing
