#include "debuggers/mqtt/mqtt_command_queue.h"

#include <set>
#include <stdexcept>
#include <utility>

#include "debuggers/mqtt/mqtt_limits.h"
#include "debuggers/mqtt/mqtt_requests.h"
#include "debuggers/mqtt/mqtt_texts.h"

namespace nubo {
namespace {

[[noreturn]] void Refuse(std::string_view text) { throw std::runtime_error(std::string(text)); }

}  // namespace

void MqttCommandQueue::Replace(MqttCommand command) {
  Clear();
  const uint64_t cost = MqttCommandCost(command);
  commands_.push_back(Queued{std::move(command), cost});
  cost_ = cost;
}

void MqttCommandQueue::Enqueue(MqttCommand command, std::string_view state,
                               const std::map<std::string, uint8_t>& subscriptions) {
  if (state != "connected") Refuse(mqtt::text::kNotConnected);
  if (command.name == "subscribe") {
    std::set<std::string_view> filters;
    for (const auto& entry : subscriptions) filters.insert(entry.first);
    for (const Queued& queued : commands_) {
      if (queued.command.name == "subscribe") filters.insert(queued.command.topic);
      if (queued.command.name == "unsubscribe") filters.erase(queued.command.topic);
    }
    if (filters.count(command.topic) == 0 && filters.size() >= mqtt::kMaxSubscriptions) {
      Refuse(mqtt::text::kSubscriptionLimit);
    }
  }
  const uint64_t cost = MqttCommandCost(command);
  if (commands_.size() >= mqtt::kMaxQueuedCommands || cost > mqtt::kMaxQueuedCost - cost_) {
    Refuse(mqtt::text::kQueueFull);
  }
  commands_.push_back(Queued{std::move(command), cost});
  cost_ += cost;
}

void MqttCommandQueue::Clear() {
  for (Queued& queued : commands_) MqttWipeText(queued.command.options.password);
  commands_.clear();
  cost_ = 0;
}

bool MqttCommandQueue::FrontIsStartOrStop() const {
  if (commands_.empty()) return false;
  const std::string& name = commands_.front().command.name;
  return name == "start" || name == "stop";
}

MqttCommand MqttCommandQueue::TakeFront() {
  Queued queued = std::move(commands_.front());
  commands_.pop_front();
  cost_ -= queued.cost;
  return std::move(queued.command);
}

}  // namespace nubo
