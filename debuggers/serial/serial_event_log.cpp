#include "debuggers/serial/serial_event_log.h"

#include <string>
#include <utility>

#include "debuggers/serial/serial_limits.h"
#include "debuggers/serial/serial_texts.h"

namespace nubo {

void SerialEventLog::Append(std::string_view kind, std::string_view message, const uint8_t* bytes, size_t length,
                            int64_t nowMs) {
  SerialEvent event;
  event.kind = kind;
  event.message = message;
  event.timestamp = nowMs;
  event.data.assign(bytes, bytes + length);
  const uint64_t cost = 2 * static_cast<uint64_t>(length);
  while (!queue_.Empty() &&
         (queue_.Size() >= serial::kLogMaxEvents || queue_.TotalCost() + cost > serial::kLogMaxHexChars)) {
    (void)queue_.PopFront();
    ++dropped_;
  }
  event.id = ++lastId_;
  queue_.Push(std::move(event), cost);
}

std::vector<SerialEvent> SerialEventLog::Take(size_t maxEvents, int64_t nowMs) {
  std::vector<SerialEvent> taken;
  if (dropped_ != 0) {
    SerialEvent notice;
    notice.id = queue_.Empty() ? lastId_ : queue_.Front().item.id - 1;
    notice.kind = serial::kKindStatus;
    notice.timestamp = nowMs;
    notice.message = std::string(serial::text::kLogDroppedPrefix) + std::to_string(dropped_) +
                     std::string(serial::text::kLogDroppedSuffix);
    taken.push_back(std::move(notice));
    dropped_ = 0;
  }
  for (size_t n = 0; n < maxEvents && !queue_.Empty(); ++n) taken.push_back(queue_.PopFront().item);
  return taken;
}

void SerialEventLog::Clear() {
  queue_.Clear();
  dropped_ = 0;
}

}  // namespace nubo
