#include "tests/debuggers/mqtt/support/mqtt_session.h"

#include <stdexcept>
#include <thread>

namespace nubo::testing {

MqttSession::Json MqttSession::Request(const std::string& action, const Json& payload) {
  Json result;
  try {
    service_.HandleRequest(result, action, payload);
  } catch (const std::exception& failure) {
    return Json{{"error", failure.what()}};
  }
  if (result.contains("snapshot")) snapshot_ = result["snapshot"];
  return result;
}

MqttSession::Json MqttSession::Start(const std::string& host, int port, bool tls, const std::string& password,
                                     int keepAlive) {
  return Request("start", {{"host", host},
                           {"port", port},
                           {"clientId", "workbench-test"},
                           {"username", "bench"},
                           {"password", password},
                           {"keepAlive", keepAlive},
                           {"cleanSession", true},
                           {"tls", tls}});
}

MqttSession::Json MqttSession::Publish(const std::string& topic, const std::string& hex, int qos, bool retain) {
  return Request("publish", {{"topic", topic}, {"dataHex", hex}, {"qos", qos}, {"retain", retain}});
}

MqttSession::Json MqttSession::Subscribe(const std::string& topic, int qos) {
  return Request("subscribe", {{"topic", topic}, {"qos", qos}});
}

void MqttSession::Poll() {
  const Json result = Request("poll");
  for (const Json& event : result.at("events")) events_.push_back(event);
}

bool MqttSession::WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  for (;;) {
    Poll();
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

bool MqttSession::WaitForState(const std::string& state, std::chrono::milliseconds limit) {
  return WaitUntil([&] { return State() == state; }, limit);
}

bool MqttSession::WaitForEvents(const std::string& kind, size_t count, std::chrono::milliseconds limit) {
  return WaitUntil([&] { return EventsOf(kind).size() >= count; }, limit);
}

std::vector<MqttSession::Json> MqttSession::EventsOf(const std::string& kind) const {
  std::vector<Json> found;
  for (const Json& event : events_) {
    if (event.value("kind", "") == kind) found.push_back(event);
  }
  return found;
}

}  // namespace nubo::testing
