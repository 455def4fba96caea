#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "maintenance/software/software_inventory.h"
#include "maintenance/software/software_operation_result.h"

namespace nubo {

// What the uninstaller launch relies on: a fresh installed list (throws
// when it cannot be read) and the start of a process that is not waited for.
struct UninstallerLaunchContext {
  std::function<std::vector<RegisteredSoftware>()> readInstalled;
  // Starts exePath with the writable, NUL-terminated commandLine; false
  // when no process was created.
  std::function<bool(const std::wstring& exePath, std::wstring& commandLine)> startProcess;
};

// ReadInstalledSoftware without a stop predicate, and CreateProcessW with
// the user's own rights, both handles closed at once.
UninstallerLaunchContext MachineUninstallerLaunchContext();

// Starts the uninstaller the program with this id and display name
// registered, after the user confirmed it. Refusals are results; only a
// failure to read the installed list is thrown.
SoftwareOperationResult LaunchUninstaller(std::string_view softwareId, std::string_view displayName, bool confirmed,
                                          const UninstallerLaunchContext& context);

}  // namespace nubo
