#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "debuggers/serial/serial_service.h"

namespace nubo::testing {

using Json = nlohmann::json;

// The test ports of the session (NUBO_SERIAL_PORTS, "COM1 COM2 COM3") and the
// peer script that serves their far ends.
std::vector<std::string> MappedSerialPorts();
std::string SerialPeerScript();

// Drives a SerialService through the device route the way the workbench does
// (past its gate) and keeps every polled event.
class SerialSession {
 public:
  explicit SerialSession(SerialService& service) : service_(service) {}

  // The reply to "serial." + action with requestId "r".
  Json Call(std::string_view action, Json payload = Json::object());
  // A start of port with the given members; the reply.
  Json Start(const std::string& port, Json members = Json::object());
  Json Send(const std::string& hex);
  Json Poll();

  // Polls every 10 ms until the condition holds; false after the time-out.
  bool PollUntil(const std::function<bool()>& condition, int timeoutMs = 5000);
  bool WaitForState(std::string_view state, int timeoutMs = 5000);
  bool WaitForRx(size_t byteCount, int timeoutMs = 5000);

  // The concatenated data of the polled events of a kind ("rx", "tx").
  std::string DataHex(std::string_view kind) const;
  // Messages of the polled events of a kind ("status", "error").
  std::vector<std::string> Messages(std::string_view kind) const;
  const Json* LastOfKind(std::string_view kind) const;
  std::string State() const { return snapshot_.value("state", std::string()); }

  const std::vector<Json>& events() const { return events_; }
  const Json& snapshot() const { return snapshot_; }

 private:
  SerialService& service_;
  std::vector<Json> events_;
  Json snapshot_ = Json::object();
};

}  // namespace nubo::testing
