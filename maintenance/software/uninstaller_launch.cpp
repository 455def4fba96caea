#include "maintenance/software/uninstaller_launch.h"

#include <windows.h>

#include "maintenance/software/uninstall_command.h"
#include "maintenance/software/uninstall_limits.h"
#include "maintenance/software/uninstall_texts.h"
#include "store/win_handles.h"

namespace nubo {
namespace {

SoftwareOperationResult Answer(bool succeeded, std::string_view message) {
  SoftwareOperationResult result;
  result.succeeded = succeeded;
  result.message = message;
  return result;
}

bool StartUnwaited(const std::wstring& exePath, std::wstring& commandLine) {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(exePath.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &started)) {
    return false;
  }
  // Not waited for: both handles go at once.
  KernelHandle thread(started.hThread);
  KernelHandle process(started.hProcess);
  return true;
}

}  // namespace

UninstallerLaunchContext MachineUninstallerLaunchContext() {
  return UninstallerLaunchContext{[] { return ReadInstalledSoftware({}); }, StartUnwaited};
}

SoftwareOperationResult LaunchUninstaller(std::string_view softwareId, std::string_view displayName, bool confirmed,
                                          const UninstallerLaunchContext& context) {
  if (!confirmed) return Answer(false, kUninstallNotConfirmed);
  const std::vector<RegisteredSoftware> installed = context.readInstalled();
  const RegisteredSoftware* program = FindRegisteredSoftware(installed, softwareId, displayName);
  if (program == nullptr || program->systemComponent || program->noRemove || program->uninstallCommand.empty()) {
    return Answer(false, kUninstallNoCommand);
  }
  if (program->uninstallCommand.size() > kUninstallCommandMaxUnits) return Answer(false, kUninstallCommandTooLong);
  std::wstring exePath;
  std::wstring arguments;
  if (!ParseUninstallCommand(program->uninstallCommand, exePath, arguments)) {
    return Answer(false, kUninstallCommandAmbiguous);
  }
  // The string's own terminator makes the buffer NUL-terminated and writable.
  std::wstring commandLine = L"\"" + exePath + L"\"" + arguments;
  if (!context.startProcess(exePath, commandLine)) return Answer(false, kUninstallerStartFailed);
  return Answer(true, kUninstallerStarted);
}

}  // namespace nubo
