#pragma once

#include <functional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "debuggers/modbus/modbus_service.h"

namespace nubo::testing {

using Json = nlohmann::json;

// The Python Modbus slaves (peers/modbus_peer.py), for testing::PythonPeer.
std::string ModbusPeerScript();

// Drives a ModbusService through the workbench's route and keeps every
// polled log entry and the last snapshot.
class ModbusSession {
 public:
  // The reply to "modbus.<action>" with requestId "r".
  Json Call(const std::string& action, Json payload = Json::object());
  // The error reply's message, or "" for a result.
  std::string Refusal(const std::string& action, Json payload = Json::object());
  Json Poll();
  bool PollUntil(const std::function<bool()>& condition, int timeoutMs = 20000);
  // Starts a TCP connection to 127.0.0.1 and waits until it is connected.
  bool ConnectTcp(int port, Json members = Json::object());
  // Sends one request and polls until it is no longer pending.
  bool RunRequest(Json payload, int timeoutMs = 20000);
  // "direction message" of every entry, and the hex of the entries of one direction.
  std::vector<std::string> Lines() const;
  std::vector<std::string> Hex(const std::string& direction) const;

  std::string State() const { return snapshot_.value("state", std::string()); }
  std::string Error() const { return snapshot_.value("error", std::string()); }
  const Json& snapshot() const { return snapshot_; }
  ModbusService& service() { return service_; }

 private:
  ModbusService service_;
  std::vector<Json> logs_;
  Json snapshot_ = Json::object();
};

}  // namespace nubo::testing
