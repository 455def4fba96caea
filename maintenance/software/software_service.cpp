#include "maintenance/software/software_service.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "maintenance/software/folder_reveal.h"
#include "maintenance/software/path_rules.h"
#include "maintenance/software/plan_limits.h"
#include "maintenance/software/plan_texts.h"
#include "maintenance/software/recycle_bin_move.h"
#include "maintenance/software/residual_discovery.h"
#include "maintenance/software/scan_listing.h"
#include "maintenance/software/uninstaller_launch.h"
#include "store/text_convert.h"

namespace nubo {
namespace {

[[noreturn]] void Fail(std::string_view text) { throw std::runtime_error(std::string(text)); }

void AddWarningOnce(std::vector<std::string>& warnings, std::string_view text) {
  if (std::find(warnings.begin(), warnings.end(), text) == warnings.end()) warnings.emplace_back(text);
}

bool IsGone(const ResidualItem& item) {
  try {
    return IsResidualGone(Utf8ToUtf16(item.path));
  } catch (const std::exception&) {
    return false;
  }
}

bool StandsInPlan(const SoftwareCleanupPlan& plan, const std::string& path) {
  return std::any_of(plan.residuals.begin(), plan.residuals.end(),
                     [&path](const ResidualItem& item) { return item.path == path; });
}

}  // namespace

SoftwareSystem MachineSoftwareSystem() {
  SoftwareSystem system;
  system.tick = SystemTick64;
  system.readInstalled = ReadInstalledSoftware;
  system.moveToRecycleBin = [](const std::wstring& path) { return MoveToRecycleBin(path); };
  system.revealInExplorer = [](const std::wstring& path) { return RevealInExplorer(path); };
  system.startProcess = MachineUninstallerLaunchContext().startProcess;
  return system;
}

SoftwareService::SoftwareService() : SoftwareService(MachineSoftwareSystem()) {}

SoftwareService::SoftwareService(SoftwareSystem system) : system_(std::move(system)) {}

std::vector<SoftwareEntry> SoftwareService::ListSoftware() const {
  std::vector<SoftwareEntry> entries;
  for (RegisteredSoftware& program : system_.readInstalled({})) {
    if (!program.systemComponent) entries.push_back(std::move(static_cast<SoftwareEntry&>(program)));
  }
  return entries;
}

SoftwareOperationResult SoftwareService::LaunchUninstaller(std::string_view softwareId, std::string_view displayName,
                                                           bool confirmed) const {
  UninstallerLaunchContext context;
  context.readInstalled = [this] { return system_.readInstalled({}); };
  context.startProcess = system_.startProcess;
  return nubo::LaunchUninstaller(softwareId, displayName, confirmed, context);
}

SoftwareCleanupPlan SoftwareService::ScanResiduals(const std::string& softwareId, const std::string& displayName,
                                                   const std::function<bool()>& cancel) {
  const uint64_t gen = ++generation_;
  const PathRulesScope pathRules;
  {
    // Until this scan commits, cleanup and reveal find no plan.
    std::lock_guard<std::mutex> lock(mutex_);
    plan_ = SoftwareCleanupPlan{};
  }
  const auto abandoned = [this, gen, &cancel] { return generation_.load() != gen || (cancel && cancel()); };
  ScanBudget budget(abandoned, system_.tick);
  const std::vector<RegisteredSoftware> installed = system_.readInstalled([&budget] { return !budget.Check(); });
  const RegisteredSoftware* program = FindRegisteredSoftware(installed, softwareId, displayName);
  if (program == nullptr || program->systemComponent) Fail(kPlanSoftwareChanged);

  SoftwareCleanupPlan result;
  result.token = CreatePlanToken();
  result.softwareId = softwareId;
  result.displayName = displayName;
  result.createdTick = system_.tick();
  result.generation = gen;
  result.residuals = BuildResidualCandidates(*program, installed, budget);
  budget.Check();  // records a limit reached at the very end
  if (budget.cancelled) Fail(kPlanScanCancelled);
  result.scanTruncated = budget.truncated;
  result.scanWarnings = budget.warnings;

  std::lock_guard<std::mutex> lock(mutex_);
  if (abandoned()) Fail(kPlanScanCancelled);
  plan_ = result;
  return result;
}

SoftwareCleanupPlan SoftwareService::RefreshResiduals(const std::string& token) {
  const uint64_t gen = generation_.load();
  const PathRulesScope pathRules;
  SoftwareCleanupPlan working;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (token.empty() || token != plan_.token || plan_.createdTick == 0) Fail(kPlanInvalid);
    working = plan_;
  }
  ScanBudget budget([this, gen] { return generation_.load() != gen; }, system_.tick);
  const bool expired = working.token.empty() || !IsWithinPlanLifetime(working.createdTick, system_.tick());

  std::vector<ResidualItem> kept;
  for (ResidualItem& item : working.residuals) {
    if (!budget.Check()) break;
    if (IsGone(item)) continue;
    if (VerifyResidualItem(item)) {
      kept.push_back(std::move(item));
      continue;
    }
    working.scanTruncated = true;
    AddWarningOnce(working.scanWarnings, kWarnIdentityChanged);
  }
  budget.Check();
  if (budget.cancelled) Fail(kPlanRefreshCancelled);
  if (budget.truncated) Fail(kPlanRefreshTimedOut);
  working.residuals = std::move(kept);

  if (expired) {
    // Renewed only after every kept item was verified again, and with every
    // pre-selection withdrawn: the user must choose again.
    working.createdTick = system_.tick();
    for (ResidualItem& item : working.residuals) item.defaultSelected = false;
    working.scanWarnings.emplace_back(kWarnPlanRenewed);
  }
  working.generation = gen;

  std::lock_guard<std::mutex> lock(mutex_);
  if (generation_.load() != gen || plan_.token != token) Fail(kPlanRefreshRaced);
  // A cleanup may have moved items since the copy was taken: they stay out.
  std::erase_if(working.residuals, [this](const ResidualItem& item) { return !StandsInPlan(plan_, item.path); });
  plan_ = working;
  return working;
}

void SoftwareService::CancelScan() { ++generation_; }

bool SoftwareService::PlanValidFor(const std::string& token) const {
  return !plan_.token.empty() && plan_.token == token && IsWithinPlanLifetime(plan_.createdTick, system_.tick()) &&
         plan_.generation == generation_.load();
}

}  // namespace nubo
