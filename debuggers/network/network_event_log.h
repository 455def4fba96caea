#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "debuggers/common/costed_queue.h"
#include "debuggers/network/network_types.h"

namespace nubo {

// A logged event that no poll has taken yet. Data events keep their bytes and
// get their hexadecimal text only when a poll takes them, so a flood whose
// events are dropped unseen costs no hex conversion.
struct LoggedNetworkEvent {
  NetworkEvent event;  // dataHex still empty
  std::vector<uint8_t> data;
};

// The session's bounded event log: at most 1024 events and 8 MiB of cost,
// oldest dropped first, with one overflow notice per run of overflow. Not
// locked: the service guards it with its own mutex.
class NetworkEventLog {
 public:
  // 160 plus the bytes of kind, label, hexadecimal data and message.
  static uint64_t CostOf(const NetworkEvent& event, size_t dataBytes);

  // Empties the log; ids start again at 1.
  void Clear();

  // Logs one event with the next id and byteLength = data size; a timestamp
  // of 0 becomes nowMs, which also stamps an overflow notice.
  void Append(NetworkEvent event, std::vector<uint8_t> data, int64_t nowMs);

  // Takes events from the front while fewer than maxEvents are taken and the
  // cost stays within maxCost; the first event is always taken.
  std::vector<LoggedNetworkEvent> Take(size_t maxEvents, uint64_t maxCost);

  size_t Size() const { return queue_.Size(); }
  uint64_t TotalCost() const { return queue_.TotalCost(); }

 private:
  void DropOldest();
  LoggedNetworkEvent PopOldest();

  CostedQueue<LoggedNetworkEvent> queue_;
  uint64_t nextEventId_ = 1;
  bool noticeQueued_ = false;
  uint64_t noticeEventId_ = 0;
};

// The public form of a taken event, with its hexadecimal text.
NetworkEvent FinishNetworkEvent(LoggedNetworkEvent&& logged);

}  // namespace nubo
