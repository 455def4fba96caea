#include "maintenance/software/scan_budget.h"

#include <algorithm>
#include <utility>

#include "maintenance/software/software_texts.h"

namespace nubo {

ScanBudget::ScanBudget(std::function<bool()> cancel, TickSource64 now)
    : cancelPredicate(std::move(cancel)), now_(std::move(now)) {
  deadline = now_() + kScanTimeLimitMs;
}

bool ScanBudget::Check() {
  if (cancelled) return false;
  if (cancelPredicate && cancelPredicate()) {
    cancelled = true;
    return false;
  }
  if (now_() >= deadline) {
    AddWarning(kWarnScanTimeLimit, true);
    return false;
  }
  if (itemsCounted > maxFileItems) {
    AddWarning(kWarnScanItemLimit, true);
    return false;
  }
  return true;
}

bool ScanBudget::CountFileItem() {
  if (!Check()) return false;
  ++itemsCounted;
  if (itemsCounted > maxFileItems) {
    AddWarning(kWarnScanItemLimit, true);
    return false;
  }
  return true;
}

bool ScanBudget::CheckDisplayLimit(uint32_t itemsInPlan) {
  if (!Check()) return false;
  if (itemsInPlan < displayLimit) return true;
  AddWarning(kWarnDisplayLimit, true);
  return false;
}

void ScanBudget::AddWarning(std::string_view text, bool markTruncated) {
  if (markTruncated) truncated = true;
  if (warnings.size() >= kScanMaxWarnings) return;
  if (std::find(warnings.begin(), warnings.end(), text) != warnings.end()) return;
  warnings.emplace_back(text);
}

}  // namespace nubo
