#include "tests/debuggers/modbus/support/modbus_session.h"

#include <chrono>
#include <thread>

#include "ui_bridge/messages.h"

namespace nubo::testing {

std::string ModbusPeerScript() { return NUBO_MODBUS_PEER_SCRIPT; }

Json ModbusSession::Call(const std::string& action, Json payload) {
  payload["requestId"] = "r";
  const std::string type = "modbus." + action;
  // The device route's own catch and reply around the service.
  Json reply = WithOwnCatch(type, "r", [&] {
    Json result = Json::object();
    service_.HandleRequest(result, action, payload);
    return MakeResultReply(type, "r", std::move(result));
  });
  const Json& body = reply["payload"];
  if (body.contains("snapshot")) snapshot_ = body["snapshot"];
  if (body.contains("logs")) {
    for (const Json& entry : body["logs"]) logs_.push_back(entry);
  }
  return reply;
}

std::string ModbusSession::Refusal(const std::string& action, Json payload) {
  const Json reply = Call(action, std::move(payload));
  return reply["type"].get<std::string>().ends_with(".error") ? reply["payload"]["message"].get<std::string>() : "";
}

Json ModbusSession::Poll() { return Call("poll"); }

bool ModbusSession::PollUntil(const std::function<bool()>& condition, int timeoutMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    Poll();
    if (condition()) return true;
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

bool ModbusSession::ConnectTcp(int port, Json members) {
  members["port"] = port;
  if (!members.contains("host")) members["host"] = "127.0.0.1";
  if (Call("start", members)["type"] != "modbus.start.result") return false;
  return PollUntil([&] { return State() != "connecting"; }) && State() == "connected";
}

bool ModbusSession::RunRequest(Json payload, int timeoutMs) {
  if (Call("request", std::move(payload))["type"] != "modbus.request.result") return false;
  return PollUntil([&] { return snapshot_["pending"] == false; }, timeoutMs);
}

std::vector<std::string> ModbusSession::Lines() const {
  std::vector<std::string> lines;
  for (const Json& entry : logs_) {
    lines.push_back(entry["direction"].get<std::string>() + " " + entry["message"].get<std::string>());
  }
  return lines;
}

std::vector<std::string> ModbusSession::Hex(const std::string& direction) const {
  std::vector<std::string> hex;
  for (const Json& entry : logs_) {
    if (entry["direction"] == direction) hex.push_back(entry["hex"]);
  }
  return hex;
}

}  // namespace nubo::testing
