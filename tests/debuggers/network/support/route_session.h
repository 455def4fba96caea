#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "debuggers/network/network_service.h"

namespace nubo::testing {

using Json = nlohmann::json;

// Drives a NetworkService through its route function, the way the workbench
// does, and keeps every polled event.
class RouteSession {
 public:
  explicit RouteSession(NetworkService& service) : service_(service) {}

  Json Call(std::string_view type, Json payload);
  // "network.start" with requestId "start" and the given members.
  Json Start(Json members);
  Json Send(const std::string& hex, const std::string& targetPeerId = "");
  Json Stop();
  Json Poll();

  // Polls every 10 ms until the condition holds; false after the time-out.
  bool PollUntil(const std::function<bool()>& condition, int timeoutMs = 5000);
  bool WaitForState(std::string_view state, int timeoutMs = 5000);
  bool WaitForMessage(std::string_view message, int timeoutMs = 5000);
  // Waits until the received events of a peer (any peer when 0) hold byteCount bytes.
  bool WaitForReceived(size_t byteCount, uint64_t peerId = 0, int timeoutMs = 5000);

  const Json* FindMessage(std::string_view message) const;
  size_t CountMessage(std::string_view message) const;
  std::vector<std::string> Messages() const;
  std::string ReceivedHex(uint64_t peerId = 0) const;
  std::string State() const { return snapshot_.value("state", std::string()); }

  const std::vector<Json>& events() const { return events_; }
  const Json& snapshot() const { return snapshot_; }
  void ForgetEvents() { events_.clear(); }

 private:
  NetworkService& service_;
  std::vector<Json> events_;
  Json snapshot_ = Json::object();
};

// What the tests ask of a step that must be prompt (a stop, a queued send, a
// refusal seen): that it ends within this, still well inside the 10-second
// connect time-out. How prompt it is, against its goal, is a figure of
// bench/network/run.
inline constexpr int kPromptBoundMs = 5000;
inline constexpr auto kPromptBound = std::chrono::milliseconds(kPromptBoundMs);

// A "network.start" payload without requestId.
Json SessionMembers(std::string_view mode, std::string_view localHost, int localPort, std::string_view remoteHost,
                    int remotePort, bool allowLan = false);

// Text of n bytes as lower-case hex, counting up from first.
std::string CountingHex(size_t n, unsigned first = 0);

}  // namespace nubo::testing
