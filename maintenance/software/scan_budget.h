#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "maintenance/software/software_limits.h"

namespace nubo {

// Milliseconds of a monotonic clock (GetTickCount64 on Windows).
using TickSource64 = std::function<uint64_t()>;

// The bound of one scan, refresh or cleanup: a deadline, a count of file
// items, a count of shown leftovers, the warnings and the cancellation.
// Belongs to one operation on one thread.
class ScanBudget {
 public:
  ScanBudget(std::function<bool()> cancelPredicate, TickSource64 now);

  // True while the operation may go on.
  bool Check();
  // Counts one file-system item; true while the operation may go on.
  bool CountFileItem();
  // True while one more leftover may join the itemsInPlan already there.
  bool CheckDisplayLimit(uint32_t itemsInPlan);
  void AddWarning(std::string_view text, bool markTruncated);
  // The operation's clock.
  uint64_t Now() const { return now_(); }

  std::function<bool()> cancelPredicate;
  uint64_t deadline = 0;
  uint32_t maxDepth = kScanMaxDepth;
  uint32_t maxFileItems = kScanMaxFileItems;
  uint32_t displayLimit = kScanDisplayLimit;
  uint32_t itemsCounted = 0;
  bool truncated = false;
  bool cancelled = false;
  std::vector<std::string> warnings;

 private:
  TickSource64 now_;
};

}  // namespace nubo
