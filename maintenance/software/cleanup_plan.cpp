#include "maintenance/software/cleanup_plan.h"

#include <stdexcept>

namespace nubo {

std::string CreatePlanToken() { throw std::runtime_error("not built yet"); }

bool VerifyResidualItem(const ResidualItem&) { return false; }

bool IsResidualGone(std::wstring_view) { return false; }

nlohmann::json SoftwareCleanupPlanToJson(const SoftwareCleanupPlan&) { return nlohmann::json::object(); }

nlohmann::json ResidualItemToJson(const ResidualItem&) { return nlohmann::json::object(); }

nlohmann::json SoftwareOperationResultToJson(const SoftwareOperationResult&) { return nlohmann::json::object(); }

}  // namespace nubo
