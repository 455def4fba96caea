#pragma once

#include <cstdint>
#include <string_view>

#include "maintenance/software/scan_budget.h"

namespace nubo {

// True when the tree at path holds no junction or symbolic link at any
// level, reaches no deeper than the cleanup's limit, and the whole walk fits
// in the budget (every entry counted). depth is the path's own level.
bool VerifyTreeBeforeDelete(std::wstring_view path, ScanBudget& budget, uint32_t depth);

}  // namespace nubo
