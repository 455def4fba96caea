#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "maintenance/software/cleanup_plan.h"
#include "maintenance/software/scan_budget.h"
#include "maintenance/software/software_inventory.h"
#include "maintenance/software/software_operation_result.h"

namespace nubo {

// The system calls of the software manager, replaceable in tests.
struct SoftwareSystem {
  TickSource64 tick;  // GetTickCount64
  // ReadInstalledSoftware.
  std::function<std::vector<RegisteredSoftware>(const std::function<bool()>& stop)> readInstalled;
  // The Shell's undoable move to the Recycle Bin; true only when the path is gone.
  std::function<bool(const std::wstring& path)> moveToRecycleBin;
  // Opens Explorer with the path selected.
  std::function<bool(const std::wstring& path)> revealInExplorer;
  // Starts exePath with the writable commandLine, not waited for.
  std::function<bool(const std::wstring& exePath, std::wstring& commandLine)> startProcess;
};

SoftwareSystem MachineSoftwareSystem();

// The installed-software manager: the list, the uninstaller launch, and one
// locked cleanup plan made by a leftover scan. Scan and refresh run on the
// scan worker; everything else on the main thread.
class SoftwareService {
 public:
  SoftwareService();
  explicit SoftwareService(SoftwareSystem system);
  SoftwareService(const SoftwareService&) = delete;
  SoftwareService& operator=(const SoftwareService&) = delete;

  // Every registered program that is not a system component, sorted by name.
  std::vector<SoftwareEntry> ListSoftware() const;
  SoftwareOperationResult LaunchUninstaller(std::string_view softwareId, std::string_view displayName,
                                            bool confirmed) const;

  // Throw std::runtime_error with the user's sentence on failure or cancel.
  SoftwareCleanupPlan ScanResiduals(const std::string& softwareId, const std::string& displayName,
                                    const std::function<bool()>& cancel);
  SoftwareCleanupPlan RefreshResiduals(const std::string& token);
  // Stops a running scan or refresh and makes the locked plan stale.
  void CancelScan();

  // Refusals are results; only a failure to read the installed list throws.
  SoftwareOperationResult CleanupResiduals(const std::string& token, const std::string& typedName,
                                           const std::vector<std::string>& selectedPaths, bool confirmed);
  SoftwareOperationResult RevealResidual(const std::string& token, const std::string& path);
  // A cleanup or reveal is waiting in a Shell call; a quit waits for it.
  bool FileOperationRunning() const { return fileOperationRunning_; }

 private:
  // Under mutex_: the locked plan is non-empty, has this token, is at most
  // 15 minutes old and belongs to the current generation.
  bool PlanValidFor(const std::string& token) const;

  friend struct SoftwareServiceTestAccess;

  SoftwareSystem system_;
  std::atomic<uint64_t> generation_{0};
  std::mutex mutex_;
  SoftwareCleanupPlan plan_;
  // Set on the main thread while a cleanup or reveal runs: Shell calls pump
  // messages, and a request dispatched from inside one must not lock mutex_
  // again on the same thread.
  bool fileOperationRunning_ = false;
};

}  // namespace nubo
