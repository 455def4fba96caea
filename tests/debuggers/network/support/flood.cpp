#include "tests/debuggers/network/support/flood.h"

#include <chrono>
#include <thread>

namespace nubo::testing {
namespace {

bool StartAndWait(RouteSession& session, Json members, std::string_view state) {
  const Json reply = session.Start(std::move(members));
  return reply["type"].get<std::string>() == "network.start.result" && session.WaitForState(state);
}

}  // namespace

bool StartFloodedSession(PythonPeer& peer, RouteSession& session, const std::string& mode) {
  if (mode == "tcp-client") {
    const int port = std::stoi(peer.Words("listen 8 flood").at(1));
    return StartAndWait(session, SessionMembers(mode, "", 0, "127.0.0.1", port), "connected");
  }
  const bool udp = mode == "udp";
  const int target = udp ? std::stoi(peer.Words("udp 127.0.0.1").at(1)) : 0;
  if (!StartAndWait(session, SessionMembers(mode, "", 0, udp ? "127.0.0.1" : "", target),
                    udp ? "ready" : "listening")) {
    return false;
  }
  const std::string port = std::to_string(session.snapshot()["localPort"].get<int>());
  peer.Call(udp ? "flood udp " + port + " 512" : "flood tcp " + port);
  return true;
}

bool WaitForFlood(NetworkService& service, const std::string& mode) {
  const uint64_t bytes = mode == "udp" ? 1 << 20 : 4 << 20;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (service.GetSnapshot().rxBytes < bytes) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

bool StartServerFloodedByMany(PythonPeer& peer, RouteSession& session, NetworkService& service) {
  if (!StartAndWait(session, SessionMembers("tcp-server", "", 0, "", 0), "listening")) return false;
  peer.Call("floodprocs " + std::to_string(session.snapshot()["localPort"].get<int>()) + " " +
            std::to_string(kManyFlooders));
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < deadline) {
    const NetworkSnapshot snapshot = service.GetSnapshot();
    if (snapshot.peers.size() == kManyFlooders && snapshot.rxBytes >= (64u << 20)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

}  // namespace nubo::testing
