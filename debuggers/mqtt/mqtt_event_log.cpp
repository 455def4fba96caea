#include "debuggers/mqtt/mqtt_event_log.h"

#include <string_view>
#include <utility>

#include "store/hex_text.h"
#include "debuggers/mqtt/mqtt_limits.h"

namespace nubo {
namespace {

uint64_t DigitsOf(uint64_t value) {
  uint64_t digits = 1;
  while (value >= 10) value /= 10, ++digits;
  return digits;
}

uint64_t SignedDigitsOf(int64_t value) {
  if (value >= 0) return DigitsOf(static_cast<uint64_t>(value));
  return 1 + DigitsOf(0 - static_cast<uint64_t>(value));
}

// A JSON string as the library writes it: quotes, two-character escapes for
// '"', '\\' and \b \f \n \r \t, \u00XX for the other control characters,
// every other byte as it is.
uint64_t StringSize(std::string_view text) {
  uint64_t size = 2;
  for (unsigned char c : text) {
    if (c == '"' || c == '\\' || c == '\b' || c == '\f' || c == '\n' || c == '\r' || c == '\t') {
      size += 2;
    } else if (c < 0x20) {
      size += 6;
    } else {
      size += 1;
    }
  }
  return size;
}

// "key": for each member, the commas between them and the braces.
uint64_t FrameSize(std::initializer_list<std::string_view> keys) {
  uint64_t size = 2 + (keys.size() - 1);
  for (std::string_view key : keys) size += key.size() + 3;
  return size;
}

bool CarriesPayload(MqttEventKind kind) {
  return kind == MqttEventKind::kMessage || kind == MqttEventKind::kPublished;
}

}  // namespace

uint64_t MqttEventJsonSize(const MqttEvent& event) {
  const uint64_t common = DigitsOf(event.id) + SignedDigitsOf(event.timestamp) +
                          StringSize(MqttEventKindText(event.kind));
  if (!CarriesPayload(event.kind)) {
    return FrameSize({"id", "kind", "message", "timestamp"}) + common + StringSize(event.message);
  }
  return FrameSize({"byteLength", "id", "kind", "payloadHex", "qos", "retain", "timestamp", "topic"}) +
         common + DigitsOf(event.payload.size()) + 2 + 2 * static_cast<uint64_t>(event.payload.size()) +
         DigitsOf(event.qos) + (event.retain ? 4 : 5) + StringSize(event.topic);
}

nlohmann::json MqttEventToJson(const MqttEvent& event) {
  nlohmann::json out = {{"id", event.id},
                        {"kind", MqttEventKindText(event.kind)},
                        {"timestamp", event.timestamp}};
  if (!CarriesPayload(event.kind)) {
    out["message"] = event.message;
    return out;
  }
  out["topic"] = event.topic;
  out["qos"] = event.qos;
  out["retain"] = event.retain;
  out["byteLength"] = event.payload.size();
  out["payloadHex"] = ToLowerHex(event.payload.data(), event.payload.size());
  return out;
}

void MqttEventLog::Offer(MqttEvent event, int64_t nowMs, bool sessionCurrent) {
  event.id = nextId_++;
  event.timestamp = nowMs;
  if (!sessionCurrent) return;
  const uint64_t size = MqttEventJsonSize(event);
  while (!queue_.Empty() && (queue_.Size() >= mqtt::kMaxLoggedEvents ||
                             queue_.TotalCost() + size > mqtt::kMaxLoggedEventBytes)) {
    queue_.PopFront();
  }
  queue_.Push(std::move(event), size);
}

std::vector<MqttEvent> MqttEventLog::Take() {
  std::vector<MqttEvent> taken;
  while (!queue_.Empty() && taken.size() < mqtt::kMaxEventsPerPoll) {
    taken.push_back(queue_.PopFront().item);
  }
  return taken;
}

nlohmann::json MqttSnapshotToJson(const MqttSnapshot& snapshot) {
  nlohmann::json subscriptions = nlohmann::json::array();
  for (const auto& [topic, qos] : snapshot.subscriptions) {
    subscriptions.push_back({{"topic", topic}, {"qos", qos}});
  }
  return {{"state", snapshot.state},
          {"brokerHost", snapshot.brokerHost},
          {"brokerPort", snapshot.brokerPort},
          {"clientId", snapshot.clientId},
          {"tls", snapshot.tls},
          {"sessionPresent", snapshot.sessionPresent},
          {"subscriptions", std::move(subscriptions)},
          {"rxMessages", snapshot.rxMessages},
          {"rxBytes", snapshot.rxBytes},
          {"txMessages", snapshot.txMessages},
          {"txBytes", snapshot.txBytes},
          {"lastError", snapshot.lastError}};
}

}  // namespace nubo
