#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "debuggers/mqtt/mqtt_service.h"

namespace nubo::testing {

// Drives an MqttService as the workbench does: requests in, polls that
// collect every event seen so far.
class MqttSession {
 public:
  using Json = nlohmann::json;
  explicit MqttSession(MqttService& service) : service_(service) {}

  // The request's result, or {"error": text} when refused.
  Json Request(const std::string& action, const Json& payload = Json::object());
  Json Start(const std::string& host, int port, bool tls = false, const std::string& password = "s3cret",
             int keepAlive = 60);
  Json Publish(const std::string& topic, const std::string& hex, int qos, bool retain = false);
  Json Subscribe(const std::string& topic, int qos);

  void Poll();
  // Polls every 20 ms until the predicate holds or the time is up.
  bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(15));
  bool WaitForState(const std::string& state, std::chrono::milliseconds limit = std::chrono::seconds(15));
  bool WaitForEvents(const std::string& kind, size_t count,
                     std::chrono::milliseconds limit = std::chrono::seconds(15));

  std::vector<Json> EventsOf(const std::string& kind) const;
  const Json& snapshot() const { return snapshot_; }
  const std::vector<Json>& events() const { return events_; }
  std::string State() const { return snapshot_.value("state", ""); }

 private:
  MqttService& service_;
  Json snapshot_ = Json::object();
  std::vector<Json> events_;
};

}  // namespace nubo::testing
