// Latency of the "ports.list" and "system.snapshot" requests, through their
// routes, with about 1,000 sockets of this process open.
//   ports_snapshot_bench [rounds]
#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "maintenance/ports/port_table.h"
#include "ui_bridge/messages.h"
#include "ui_bridge/system_routes.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kUdpSockets = 400;
constexpr int kTcpListeners = 200;
constexpr int kTcpPairs = 200;  // a client and its accepted end each

class Sockets {
 public:
  ~Sockets() {
    for (SOCKET s : sockets_) closesocket(s);
  }

  SOCKET Open(int type) {
    const SOCKET s = socket(AF_INET, type, type == SOCK_STREAM ? IPPROTO_TCP : IPPROTO_UDP);
    if (s == INVALID_SOCKET) throw std::runtime_error("socket failed");
    sockets_.push_back(s);
    return s;
  }
  void Adopt(SOCKET s) {
    if (s == INVALID_SOCKET) throw std::runtime_error("accept failed");
    sockets_.push_back(s);
  }
  size_t count() const { return sockets_.size(); }

 private:
  std::vector<SOCKET> sockets_;
};

sockaddr_in Loopback(uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  inet_pton(AF_INET, "127.0.0.1", &address.sin_addr);
  return address;
}

uint16_t BindLoopback(SOCKET s) {
  sockaddr_in address = Loopback(0);
  if (bind(s, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
    throw std::runtime_error("bind failed");
  }
  int length = sizeof(address);
  getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
  return ntohs(address.sin_port);
}

void OpenSockets(Sockets& sockets) {
  for (int i = 0; i < kUdpSockets; ++i) BindLoopback(sockets.Open(SOCK_DGRAM));
  for (int i = 0; i < kTcpListeners; ++i) {
    const SOCKET listener = sockets.Open(SOCK_STREAM);
    BindLoopback(listener);
    if (listen(listener, 4) != 0) throw std::runtime_error("listen failed");
  }
  const SOCKET server = sockets.Open(SOCK_STREAM);
  const uint16_t serverPort = BindLoopback(server);
  if (listen(server, SOMAXCONN) != 0) throw std::runtime_error("listen failed");
  for (int i = 0; i < kTcpPairs; ++i) {
    const SOCKET client = sockets.Open(SOCK_STREAM);
    const sockaddr_in address = Loopback(serverPort);
    if (connect(client, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
      throw std::runtime_error("connect failed");
    }
    sockets.Adopt(accept(server, nullptr, nullptr));
  }
}

struct Figures {
  double min = 0;
  double median = 0;
  double p95 = 0;
  double max = 0;
};

Figures Measure(int rounds, const std::function<void()>& action) {
  action();  // warm-up
  std::vector<double> ms;
  for (int i = 0; i < rounds; ++i) {
    const auto start = Clock::now();
    action();
    ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  std::sort(ms.begin(), ms.end());
  return {ms.front(), ms[ms.size() / 2], ms[std::min(ms.size() - 1, ms.size() * 95 / 100)], ms.back()};
}

void Print(const char* name, const Figures& f, const std::string& note) {
  std::printf("%-16s min %8.2f ms  median %8.2f ms  p95 %8.2f ms  max %8.2f ms  %s\n", name, f.min,
              f.median, f.p95, f.max, note.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
  WSADATA data{};
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return 1;
  try {
    const nubo::PortsContext ports = nubo::MachinePortsContext();
    const nubo::Json request{{"requestId", "bench"}};
    size_t rows = 0;
    size_t bytes = 0;
    {
      Sockets sockets;
      OpenSockets(sockets);
      const Figures list = Measure(rounds, [&] {
        const nubo::Json reply = nubo::RoutePortsRequest(ports, "ports.list", request);
        rows = reply["payload"]["entries"].size();
        bytes = nubo::SerializeMessage(reply).size();
      });
      Print("ports.list", list,
            std::to_string(sockets.count()) + " sockets open, " + std::to_string(rows) + " rows, " +
                std::to_string(bytes) + " bytes of reply");

      // The same rows without the system's table reads: what the route itself costs.
      const std::vector<nubo::PortEntry> captured = nubo::ListPorts();
      const nubo::PortsContext prepared{[&] { return captured; }, GetCurrentProcessId()};
      const Figures routeOnly = Measure(rounds, [&] {
        bytes = nubo::SerializeMessage(nubo::RoutePortsRequest(prepared, "ports.list", request)).size();
      });
      Print("ports.list rows", routeOnly,
            std::to_string(captured.size()) + " rows already read, reply built and serialised");
    }
    const Figures snapshot = Measure(rounds, [&] {
      const nubo::Json reply = nubo::RouteSystemRequest(nubo::BuildSystemSnapshot, "system.snapshot", request);
      bytes = nubo::SerializeMessage(reply).size();
    });
    Print("system.snapshot", snapshot, std::to_string(bytes) + " bytes of reply");
    std::printf("rounds: %d\n", rounds);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "benchmark failed: %s\n", error.what());
    WSACleanup();
    return 1;
  }
  WSACleanup();
  return 0;
}
