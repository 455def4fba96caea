#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include <nlohmann/json.hpp>

#include "debuggers/common/costed_queue.h"
#include "debuggers/mqtt/mqtt_types.h"

namespace nubo {

// The byte length of the event's compact JSON text (with its id and
// timestamp), computed without building it.
uint64_t MqttEventJsonSize(const MqttEvent& event);

// {id, kind, timestamp, message} or {id, kind, timestamp, topic, qos, retain,
// byteLength, payloadHex}.
nlohmann::json MqttEventToJson(const MqttEvent& event);

// The bounded event log: 1000 events and 4 MiB of JSON text, oldest dropped
// first. Not locked: the service guards it with its state mutex.
class MqttEventLog {
 public:
  // Gives the event the next id (ids are never reused, not even by Clear)
  // and the timestamp; appends it when the session that made it is still
  // current, else drops it.
  void Offer(MqttEvent event, int64_t nowMs, bool sessionCurrent);
  // Oldest first, at most 200.
  std::vector<MqttEvent> Take();
  // Empties the log; ids continue.
  void Clear() { queue_.Clear(); }

  size_t Size() const { return queue_.Size(); }
  uint64_t Bytes() const { return queue_.TotalCost(); }

 private:
  CostedQueue<MqttEvent> queue_;
  uint64_t nextId_ = 1;
};

// The poll snapshot: state, brokerHost, brokerPort, clientId, tls,
// sessionPresent, subscriptions [{topic, qos}], counters, lastError.
nlohmann::json MqttSnapshotToJson(const MqttSnapshot& snapshot);

}  // namespace nubo
