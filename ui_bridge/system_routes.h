#pragma once

#include <string_view>

#include "maintenance/ports/port_termination.h"
#include "maintenance/system/system_snapshot.h"
#include "ui_bridge/field_readers.h"

namespace nubo {

// "ports.list" and "ports.terminate" from either window; the reply for the
// sending window. The listing and the termination guard use ports
// (MachinePortsContext() in the program). An invalid requestId of
// "ports.list" and every failure of the listing are thrown for app.error;
// the termination's refusals are "ports.terminate.error" replies.
Json RoutePortsRequest(const PortsContext& ports, std::string_view type, const Json& payload);

// "system.snapshot" from either window (buildSnapshot: BuildSystemSnapshot in
// the program). An invalid requestId is thrown for app.error; a failure of
// the snapshot is the "system.snapshot.error" reply.
Json RouteSystemRequest(const SystemSnapshotSource& buildSnapshot, std::string_view type,
                        const Json& payload);

}  // namespace nubo
