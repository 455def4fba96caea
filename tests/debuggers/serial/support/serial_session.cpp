#include "tests/debuggers/serial/support/serial_session.h"

#include <windows.h>

#include <cstdlib>
#include <sstream>
#include <thread>

#include "ui_bridge/device_routes.h"

namespace nubo::testing {

std::vector<std::string> MappedSerialPorts() {
  const char* listed = std::getenv("NUBO_SERIAL_PORTS");
  std::vector<std::string> ports;
  std::istringstream words(listed != nullptr ? listed : "");
  for (std::string port; words >> port;) ports.push_back(port);
  return ports;
}

std::string SerialPeerScript() { return NUBO_SERIAL_PEER_SCRIPT; }

Json SerialSession::Call(std::string_view action, Json payload) {
  if (payload.is_object()) payload["requestId"] = "r";
  const std::string type = "serial." + std::string(action);
  Json reply = RouteDeviceRequest(service_, RouteRequest{type, payload, 0, GateFacts{true, true, false}});
  const Json& body = reply["payload"];
  if (body.contains("snapshot")) snapshot_ = body["snapshot"];
  if (body.contains("events")) {
    for (const Json& event : body["events"]) events_.push_back(event);
  }
  return reply;
}

Json SerialSession::Start(const std::string& port, Json members) {
  members["port"] = port;
  return Call("start", std::move(members));
}

Json SerialSession::Send(const std::string& hex) { return Call("send", Json{{"dataHex", hex}}); }

Json SerialSession::Poll() { return Call("poll"); }

bool SerialSession::PollUntil(const std::function<bool()>& condition, int timeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
  for (;;) {
    Poll();
    if (condition()) return true;
    if (GetTickCount64() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

bool SerialSession::WaitForState(std::string_view state, int timeoutMs) {
  return PollUntil([&] { return State() == state; }, timeoutMs);
}

bool SerialSession::WaitForRx(size_t byteCount, int timeoutMs) {
  return PollUntil([&] { return DataHex("rx").size() >= 2 * byteCount; }, timeoutMs);
}

std::string SerialSession::DataHex(std::string_view kind) const {
  std::string hex;
  for (const Json& event : events_) {
    if (event["kind"] == kind) hex += event["dataHex"].get<std::string>();
  }
  return hex;
}

std::vector<std::string> SerialSession::Messages(std::string_view kind) const {
  std::vector<std::string> messages;
  for (const Json& event : events_) {
    if (event["kind"] == kind) messages.push_back(event["message"]);
  }
  return messages;
}

const Json* SerialSession::LastOfKind(std::string_view kind) const {
  for (auto it = events_.rbegin(); it != events_.rend(); ++it) {
    if ((*it)["kind"] == kind) return &*it;
  }
  return nullptr;
}

}  // namespace nubo::testing
