#include "tests/debuggers/network/support/route_session.h"

#include <chrono>
#include <thread>

#include "ui_bridge/network_routes.h"

namespace nubo::testing {

Json RouteSession::Call(std::string_view type, Json payload) {
  Json reply = RouteNetworkRequest(service_, type, payload);
  const Json& body = reply["payload"];
  if (body.contains("snapshot")) snapshot_ = body["snapshot"];
  if (body.contains("events")) {
    for (const Json& event : body["events"]) events_.push_back(event);
  }
  return reply;
}

Json RouteSession::Start(Json members) {
  members["requestId"] = "start";
  return Call("network.start", std::move(members));
}

Json RouteSession::Send(const std::string& hex, const std::string& targetPeerId) {
  return Call("network.send", Json{{"requestId", "send"}, {"dataHex", hex}, {"targetPeerId", targetPeerId}});
}

Json RouteSession::Stop() { return Call("network.stop", Json{{"requestId", "stop"}}); }

Json RouteSession::Poll() { return Call("network.poll", Json{{"requestId", "poll"}}); }

bool RouteSession::PollUntil(const std::function<bool()>& condition, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    Poll();
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

bool RouteSession::WaitForState(std::string_view state, int timeoutMs) {
  return PollUntil([&] { return State() == state; }, timeoutMs);
}

bool RouteSession::WaitForMessage(std::string_view message, int timeoutMs) {
  return PollUntil([&] { return FindMessage(message) != nullptr; }, timeoutMs);
}

bool RouteSession::WaitForReceived(size_t byteCount, uint64_t peerId, int timeoutMs) {
  return PollUntil([&] { return ReceivedHex(peerId).size() >= 2 * byteCount; }, timeoutMs);
}

const Json* RouteSession::FindMessage(std::string_view message) const {
  for (const Json& event : events_) {
    if (event["message"] == message) return &event;
  }
  return nullptr;
}

size_t RouteSession::CountMessage(std::string_view message) const {
  size_t count = 0;
  for (const Json& event : events_) count += event["message"] == message ? 1 : 0;
  return count;
}

std::vector<std::string> RouteSession::Messages() const {
  std::vector<std::string> messages;
  for (const Json& event : events_) messages.push_back(event["message"].get<std::string>());
  return messages;
}

std::string RouteSession::ReceivedHex(uint64_t peerId) const {
  std::string hex;
  for (const Json& event : events_) {
    if (event["kind"] != "received") continue;
    if (peerId != 0 && event["peerId"] != std::to_string(peerId)) continue;
    hex += event["dataHex"].get<std::string>();
  }
  return hex;
}

Json SessionMembers(std::string_view mode, std::string_view localHost, int localPort, std::string_view remoteHost,
                    int remotePort, bool allowLan) {
  return Json{{"mode", mode},           {"localHost", localHost},   {"localPort", localPort},
              {"remoteHost", remoteHost}, {"remotePort", remotePort}, {"allowLan", allowLan}};
}

std::string CountingHex(size_t n, unsigned first) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(2 * n);
  for (size_t i = 0; i < n; ++i) {
    const unsigned value = (first + i) & 0xFF;
    hex += kDigits[value >> 4];
    hex += kDigits[value & 0x0F];
  }
  return hex;
}

}  // namespace nubo::testing
