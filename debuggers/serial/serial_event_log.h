#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "debuggers/common/costed_queue.h"

namespace nubo {

struct SerialEvent {
  uint64_t id = 0;
  std::string kind;  // "status", "error", "rx" or "tx"
  int64_t timestamp = 0;
  std::vector<uint8_t> data;  // empty for status and error; shown as hex
  std::string message;        // empty for rx and tx
};

// The serial debugger's bounded log: at most 512 events and 2,097,152 hex
// digits, oldest dropped first and counted until the next take. Event ids
// grow for the life of the log, across Clear(); an event costs the length of
// its hex text, which the taker writes outside the lock. Not locked: the
// service guards it with its own mutex.
class SerialEventLog {
 public:
  void Append(std::string_view kind, std::string_view message, const uint8_t* bytes, size_t length, int64_t nowMs);

  // When events were dropped, first a "status" notice with their count (its
  // id one below the oldest logged event's); then at most maxEvents events,
  // oldest first.
  std::vector<SerialEvent> Take(size_t maxEvents, int64_t nowMs);

  // Empties the log and the dropped count; ids keep counting.
  void Clear();

  size_t Size() const { return queue_.Size(); }
  uint64_t HexTotal() const { return queue_.TotalCost(); }
  uint64_t Dropped() const { return dropped_; }

 private:
  CostedQueue<SerialEvent> queue_;
  uint64_t lastId_ = 0;
  uint64_t dropped_ = 0;
};

}  // namespace nubo
