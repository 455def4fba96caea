#include "debuggers/network/network_event_log.h"

#include <string>
#include <utility>

#include "store/hex_text.h"
#include "debuggers/network/network_constants.h"

namespace nubo {

uint64_t NetworkEventLog::CostOf(const NetworkEvent& event, size_t dataBytes) {
  return network::kEventBaseCost + event.kind.size() + event.peerLabel.size() +
         2 * static_cast<uint64_t>(dataBytes) + event.message.size();
}

void NetworkEventLog::Clear() {
  queue_.Clear();
  nextEventId_ = 1;
  noticeQueued_ = false;
  noticeEventId_ = 0;
}

LoggedNetworkEvent NetworkEventLog::PopOldest() {
  LoggedNetworkEvent logged = queue_.PopFront().item;
  if (noticeQueued_ && logged.event.id == noticeEventId_) {
    noticeQueued_ = false;
    noticeEventId_ = 0;
  }
  return logged;
}

void NetworkEventLog::DropOldest() { (void)PopOldest(); }

void NetworkEventLog::Append(NetworkEvent event, std::vector<uint8_t> data, int64_t nowMs) {
  using network::kLogMaxCost;
  using network::kLogMaxEvents;
  if (event.timestamp == 0) event.timestamp = nowMs;
  event.byteLength = data.size();
  event.dataHex.clear();
  const uint64_t cost = CostOf(event, data.size());
  const uint64_t room = cost > kLogMaxCost ? 0 : kLogMaxCost - cost;

  const auto fits = [&] { return queue_.Size() < kLogMaxEvents && queue_.TotalCost() <= room; };
  if (!fits()) {
    while (!queue_.Empty() && !fits()) DropOldest();
    if (!noticeQueued_) {
      NetworkEvent notice;
      notice.kind = network::kKindSystem;
      notice.message = network::text::kLogOverflow;
      notice.timestamp = nowMs;
      const uint64_t noticeCost = CostOf(notice, 0);
      while (!queue_.Empty() &&
             (queue_.Size() > kLogMaxEvents - 2 || queue_.TotalCost() > kLogMaxCost - noticeCost)) {
        DropOldest();
      }
      notice.id = nextEventId_++;
      noticeQueued_ = true;
      noticeEventId_ = notice.id;
      queue_.Push(LoggedNetworkEvent{std::move(notice), {}}, noticeCost);
    }
  }
  while (!queue_.Empty() && (queue_.Size() > kLogMaxEvents - 1 || queue_.TotalCost() > room)) {
    DropOldest();
  }
  event.id = nextEventId_++;
  queue_.Push(LoggedNetworkEvent{std::move(event), std::move(data)}, cost);
}

std::vector<LoggedNetworkEvent> NetworkEventLog::Take(size_t maxEvents, uint64_t maxCost) {
  std::vector<LoggedNetworkEvent> taken;
  uint64_t takenCost = 0;
  while (!queue_.Empty() && taken.size() < maxEvents) {
    const uint64_t next = queue_.Front().cost;
    if (!taken.empty() && takenCost + next > maxCost) break;
    takenCost += next;
    taken.push_back(PopOldest());
  }
  return taken;
}

NetworkEvent FinishNetworkEvent(LoggedNetworkEvent&& logged) {
  NetworkEvent event = std::move(logged.event);
  if (!logged.data.empty()) event.dataHex = ToLowerHex(logged.data.data(), logged.data.size());
  return event;
}

}  // namespace nubo
