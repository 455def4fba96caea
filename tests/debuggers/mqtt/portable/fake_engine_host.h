#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "store/hex_text.h"
#include "debuggers/mqtt/mqtt_engine.h"
#include "debuggers/mqtt/mqtt_limits.h"

namespace nubo::testing {

// Records what the engine sends and logs; the clock and the send outcome
// are set by the test.
struct FakeEngineHost : MqttEngineHost {
  MqttStep Send(const uint8_t* data, size_t size, std::string& error) override {
    if (sendOutcome == MqttStep::kOk) sent.push_back(ToLowerHex(data, size));
    if (sendOutcome == MqttStep::kFailed) error = "send failed";
    return sendOutcome;
  }
  int64_t SteadyNowMs() override { return now; }
  void MarkConnected(bool present) override { connected = true, sessionPresent = present; }
  bool AddSubscription(const std::string& filter, uint8_t qos) override {
    if (subscriptions.count(filter) == 0 && subscriptions.size() >= mqtt::kMaxSubscriptions) return false;
    subscriptions[filter] = qos;
    return true;
  }
  void RemoveSubscription(const std::string& filter) override { subscriptions.erase(filter); }
  void CountReceived(uint64_t bytes) override { ++rxMessages, rxBytes += bytes; }
  void CountSent(uint64_t bytes) override { ++txMessages, txBytes += bytes; }
  void LogEvent(MqttEvent event) override { events.push_back(std::move(event)); }

  MqttStep sendOutcome = MqttStep::kOk;
  int64_t now = 1000;
  std::vector<std::string> sent;  // lower-case hex per packet
  std::vector<MqttEvent> events;
  std::map<std::string, uint8_t> subscriptions;
  bool connected = false, sessionPresent = false;
  uint64_t rxMessages = 0, rxBytes = 0, txMessages = 0, txBytes = 0;
};

}  // namespace nubo::testing
