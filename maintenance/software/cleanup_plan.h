#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "maintenance/software/residual_item.h"
#include "maintenance/software/software_operation_result.h"

namespace nubo {

// The result of the last leftover scan: the only authority for anything
// that later touches the file system on the user's behalf.
struct SoftwareCleanupPlan {
  std::string token;  // 32 lower-case hex digits; empty when there is no plan
  std::string softwareId;
  std::string displayName;
  std::vector<ResidualItem> residuals;
  bool scanTruncated = false;
  std::vector<std::string> scanWarnings;
  uint64_t createdTick = 0;  // 0: no plan
  uint64_t generation = 0;
};

// 16 random bytes as 32 lower-case hex digits; throws std::runtime_error
// with the user's sentence when the random source fails.
std::string CreatePlanToken();

// The item's path is still what the scan found (a shortcut still resolves
// to the same target).
bool VerifyResidualItem(const ResidualItem& item);

// The path is certainly gone: local, its parent safe and present, and the
// path itself not found.
bool IsResidualGone(std::wstring_view path);

nlohmann::json SoftwareCleanupPlanToJson(const SoftwareCleanupPlan& plan);
nlohmann::json ResidualItemToJson(const ResidualItem& item);
nlohmann::json SoftwareOperationResultToJson(const SoftwareOperationResult& result);

}  // namespace nubo
