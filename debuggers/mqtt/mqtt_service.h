#pragma once

#include <memory>
#include <string_view>

#include <nlohmann/json.hpp>

namespace nubo {

struct NetResolveSystem;

// The workbench's MQTT 3.1.1 client. Requests are checked and queued on the
// caller's thread and answered at once; one worker thread, started by the
// constructor, does every network step. What happens later reaches the front
// end through "poll": the snapshot and the event log.
class MqttService {
 public:
  MqttService();
  // Resolves broker names through the given system calls; they must outlive
  // every look-up they start.
  explicit MqttService(const NetResolveSystem& resolver);
  ~MqttService();
  MqttService(const MqttService&) = delete;
  MqttService& operator=(const MqttService&) = delete;

  // action: the request type after "mqtt."; result: the reply payload.
  // Refusals are std::invalid_argument (request fields, unknown actions) or
  // std::runtime_error (state and queue limits) carrying the user's text.
  void HandleRequest(nlohmann::json& result, std::string_view action, const nlohmann::json& payload);
  // Ends any session and the worker; the next "start" starts a new worker.
  void Stop();

  class Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace nubo
