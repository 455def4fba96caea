#include "maintenance/software/software_service.h"

#include <stdexcept>

#include "maintenance/software/folder_reveal.h"
#include "maintenance/software/recycle_bin_move.h"
#include "maintenance/software/scan_listing.h"
#include "maintenance/software/uninstaller_launch.h"

namespace nubo {

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

SoftwareCleanupPlan SoftwareService::ScanResiduals(const std::string&, const std::string&,
                                                   const std::function<bool()>&) {
  throw std::runtime_error("not built yet");
}

SoftwareCleanupPlan SoftwareService::RefreshResiduals(const std::string&) { throw std::runtime_error("not built yet"); }

void SoftwareService::CancelScan() { ++generation_; }

bool SoftwareService::PlanValidFor(const std::string&) const { return false; }

}  // namespace nubo
