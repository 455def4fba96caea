#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <string_view>

#include "debuggers/mqtt/mqtt_types.h"

namespace nubo {

// The worker's command queue with its cost sum. Not locked: the service
// guards it with its state mutex. Every dropped command's password is wiped.
class MqttCommandQueue {
 public:
  // "start" and "stop": every queued command is dropped and this one queued
  // alone; the cost becomes its cost.
  void Replace(MqttCommand command);

  // "publish", "subscribe" and "unsubscribe", with the refusals as
  // std::runtime_error, in this order: not "connected"; for a subscribe, a
  // new filter beyond 128 counting the subscriptions and the queued
  // subscribes and unsubscribes; 128 commands or 2 MiB of cost queued.
  void Enqueue(MqttCommand command, std::string_view state,
               const std::map<std::string, uint8_t>& subscriptions);

  // Drops everything (the service's stop).
  void Clear();

  // The worker's abort test: a start or stop waits at the front.
  bool FrontIsStartOrStop() const;
  // The front command; the queue must not be empty.
  const MqttCommand& Front() const { return commands_.front().command; }
  // Removes and returns the front command; the queue must not be empty.
  MqttCommand TakeFront();

  bool Empty() const { return commands_.empty(); }
  size_t Size() const { return commands_.size(); }
  uint64_t Cost() const { return cost_; }

 private:
  struct Queued {
    MqttCommand command;
    uint64_t cost;
  };
  std::deque<Queued> commands_;
  uint64_t cost_ = 0;
};

}  // namespace nubo
