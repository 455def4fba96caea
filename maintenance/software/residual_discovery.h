#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "maintenance/software/residual_item.h"
#include "maintenance/software/scan_budget.h"
#include "maintenance/software/software_inventory.h"

namespace nubo {

// The leftovers of one installed program that can be shown to belong to it,
// in discovery order: shortcuts, the install folder, data folders, publisher
// folders. Deletes nothing; unreadable places become warnings in the budget.
std::vector<ResidualItem> BuildResidualCandidates(const RegisteredSoftware& program,
                                                  const std::vector<RegisteredSoftware>& installed,
                                                  ScanBudget& budget);

}  // namespace nubo
