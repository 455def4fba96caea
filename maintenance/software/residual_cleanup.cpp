#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "maintenance/software/cleanup_texts.h"
#include "maintenance/software/path_rules.h"
#include "maintenance/software/pinned_handle_set.h"
#include "maintenance/software/discovery_steps.h"
#include "maintenance/software/other_programs.h"
#include "maintenance/software/software_service.h"
#include "maintenance/software/tree_verify.h"
#include "store/flag_scope.h"
#include "store/text_convert.h"

namespace nubo {
namespace {

SoftwareOperationResult Refusal(std::string_view message) {
  SoftwareOperationResult result;
  result.message = message;
  return result;
}

const ResidualItem* FindPlanItem(const SoftwareCleanupPlan& plan, const std::string& path) {
  for (const ResidualItem& item : plan.residuals) {
    if (item.path == path) return &item;
  }
  return nullptr;
}

// Moves one plan item; true when it is in the Recycle Bin or already gone.
// The rules of the scan are applied again: another program may have been
// installed into the path since.
bool CleanUpItem(const ResidualItem& item, ScanBudget& budget, const OtherPrograms& others,
                 const std::function<bool(const std::wstring&)>& moveToRecycleBin) {
  const std::wstring path = Utf8ToUtf16(item.path);
  if (!IsOfferableLocation(path, item.kind) || !budget.Check()) return false;
  if (IsResidualGone(path)) return true;
  if (others.MayNeed(item)) return false;
  // The pins stay open while the item moves.
  PinnedHandleSet pins;
  if (!pins.Pin(path) || !VerifyResidualItem(item) || !VerifyTreeBeforeDelete(path, budget, 0) ||
      !VerifyResidualItem(item)) {
    return false;
  }
  return moveToRecycleBin(path);
}

std::string_view CleanupSummary(const SoftwareOperationResult& result) {
  if (result.failedPaths.empty()) return kCleanupAllMoved;
  return result.removedPaths.empty() ? kCleanupNoneMoved : kCleanupSomeMoved;
}

}  // namespace

SoftwareOperationResult SoftwareService::CleanupResiduals(const std::string& token, const std::string& typedName,
                                                          const std::vector<std::string>& selectedPaths,
                                                          bool confirmed) {
  if (fileOperationRunning_) return Refusal(kFileOperationBusy);
  const FlagScope running(fileOperationRunning_);
  const PathRulesScope pathRules;
  const std::lock_guard lock(mutex_);
  if (!confirmed || !PlanValidFor(token) || typedName != plan_.displayName) return Refusal(kCleanupNotAuthorised);
  if (selectedPaths.empty() || selectedPaths.size() > plan_.residuals.size()) {
    return Refusal(kCleanupNothingSelected);
  }
  for (const std::string& path : selectedPaths) {
    if (FindPlanItem(plan_, path) == nullptr) return Refusal(kCleanupNotInPlan);
  }
  const std::vector<RegisteredSoftware> installed = system_.readInstalled({});
  for (const RegisteredSoftware& program : installed) {
    if (program.id == plan_.softwareId) return Refusal(kCleanupStillRegistered);
  }
  RegisteredSoftware removed;
  removed.id = plan_.softwareId;
  removed.displayName = plan_.displayName;
  ScanBudget budget({}, system_.tick);
  const OtherPrograms others(removed, installed, [&budget] { return budget.Check(); });

  SoftwareOperationResult result;
  std::set<std::string> handled;
  for (const std::string& path : selectedPaths) {
    if (!handled.insert(path).second) continue;
    const bool cleaned = CleanUpItem(*FindPlanItem(plan_, path), budget, others, system_.moveToRecycleBin);
    (cleaned ? result.removedPaths : result.failedPaths).push_back(path);
  }
  result.succeeded = !result.removedPaths.empty() && result.failedPaths.empty();
  result.message = CleanupSummary(result);

  const std::set<std::string> gone(result.removedPaths.begin(), result.removedPaths.end());
  std::erase_if(plan_.residuals, [&](const ResidualItem& item) { return gone.count(item.path) != 0; });
  return result;
}

SoftwareOperationResult SoftwareService::RevealResidual(const std::string& token, const std::string& path) {
  if (fileOperationRunning_) return Refusal(kFileOperationBusy);
  const FlagScope running(fileOperationRunning_);
  const PathRulesScope pathRules;
  const std::lock_guard lock(mutex_);
  if (!PlanValidFor(token)) return Refusal(kRevealPlanInvalid);
  const ResidualItem* item = FindPlanItem(plan_, path);
  if (item == nullptr) return Refusal(kRevealNotInPlan);
  const std::wstring widePath = Utf8ToUtf16(path);
  // Held while Explorer is asked to open the path.
  PinnedHandleSet pins;
  if (!pins.Pin(widePath) || !VerifyResidualItem(*item)) return Refusal(kRevealNotInPlan);
  SoftwareOperationResult result;
  result.succeeded = system_.revealInExplorer(widePath);
  result.message = result.succeeded ? kRevealOpened : kRevealFailed;
  return result;
}

}  // namespace nubo
