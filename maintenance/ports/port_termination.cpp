#include "maintenance/ports/port_termination.h"

#include <windows.h>

#include <algorithm>

#include "store/dynamic_procedure.h"
#include "maintenance/ports/port_limits.h"
#include "maintenance/ports/port_table.h"
#include "maintenance/ports/port_texts.h"
#include "maintenance/ports/process_name.h"
#include "store/ascii_case.h"
#include "store/win_handles.h"

namespace nubo {
namespace {

using IsProcessCriticalFunction = BOOL(WINAPI*)(HANDLE process, PBOOL critical);

PortTerminateResult Refusal(std::string_view message) { return {false, std::string(message)}; }

// IsProcessCritical is missing before Windows 8.1 and under Wine: then, and
// when the query fails, the process is not taken for critical.
bool IsMarkedCritical(HANDLE process) {
  const auto isProcessCritical =
      FindLoadedProcedure<IsProcessCriticalFunction>(L"kernel32.dll", "IsProcessCritical");
  if (isProcessCritical == nullptr) return false;
  BOOL critical = FALSE;
  return isProcessCritical(process, &critical) && critical;
}

bool IsRefusedByRule(uint32_t processId, std::string_view name, const PortsContext& context) {
  if (processId <= port_limits::kHighestSystemProcessId || processId == context.ownProcessId) {
    return true;
  }
  if (name.empty() || name.size() > port_limits::kMaxProcessNameBytes) return true;
  return IsProtectedProcessName(name);
}

}  // namespace

PortsContext MachinePortsContext() { return PortsContext{ListPorts, GetCurrentProcessId()}; }

bool IsProtectedProcessName(std::string_view name) {
  const std::string lower = ToLowerAscii(name);
  return std::find(port_texts::kProtectedProcessNames.begin(),
                   port_texts::kProtectedProcessNames.end(),
                   lower) != port_texts::kProtectedProcessNames.end();
}

bool IsPortOwnedBy(uint32_t processId, std::string_view name, const PortTableSource& listPorts) {
  if (!listPorts) return false;
  const std::vector<PortEntry> rows = listPorts();
  return std::any_of(rows.begin(), rows.end(), [&](const PortEntry& row) {
    return row.processId == processId && EqualsIgnoringAsciiCase(row.processName, name);
  });
}

PortTerminateResult TerminatePortProcess(uint32_t processId, std::string_view name,
                                         const PortsContext& context) {
  if (IsRefusedByRule(processId, name, context)) return Refusal(port_texts::kProtected);
  if (!IsPortOwnedBy(processId, name, context.listPorts)) {
    return Refusal(port_texts::kOwnershipChanged);
  }

  const KernelHandle process(
      OpenProcess(PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
  if (!process) return Refusal(port_texts::kCannotOpen);

  // The id may have passed to a new process between the listing and the
  // open; while this handle is held it cannot pass again, so the process
  // behind the handle is tested once more before it is ended.
  if (!EqualsIgnoringAsciiCase(ProcessNameFromHandle(process.get(), processId), name) ||
      !IsPortOwnedBy(processId, name, context.listPorts)) {
    return Refusal(port_texts::kOwnershipChanged);
  }
  if (IsMarkedCritical(process.get())) return Refusal(port_texts::kCritical);
  if (!TerminateProcess(process.get(), 1)) return Refusal(port_texts::kTerminateFailed);
  return {true, std::string(port_texts::kTerminated)};
}

}  // namespace nubo
