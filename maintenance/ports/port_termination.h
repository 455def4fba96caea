#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "maintenance/ports/port_entry.h"

namespace nubo {

// What the termination guard relies on: the tables it tests ownership
// against and the program's own process id, which is never ended.
struct PortsContext {
  PortTableSource listPorts;
  uint32_t ownProcessId = 0;
};

// The machine's tables (ListPorts) and GetCurrentProcessId.
PortsContext MachinePortsContext();

bool IsProtectedProcessName(std::string_view name);

// A fresh listing holds a row of processId whose name equals name, ignoring ASCII case.
bool IsPortOwnedBy(uint32_t processId, std::string_view name, const PortTableSource& listPorts);

// Ends the process that owns a port, unless a rule protects it, it no longer
// owns a port under that name, it cannot be opened, or Windows marks it
// critical. Ends it without waiting for its exit. Never throws for a refusal.
PortTerminateResult TerminatePortProcess(uint32_t processId, std::string_view name,
                                         const PortsContext& context);

}  // namespace nubo
