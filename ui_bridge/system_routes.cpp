#include "ui_bridge/system_routes.h"

#include <cstdint>
#include <exception>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>

#include "ui_bridge/dispatch_texts.h"
#include "ui_bridge/field_readers.h"
#include "ui_bridge/messages.h"
#include "ui_bridge/system_route_texts.h"

namespace nubo {
namespace {

std::string ReadRequestId(const Json& payload) { return ReadTextOr(payload, "requestId", ""); }

// processId: missing reads as 0; a JSON integer within 32 unsigned bits is
// taken; any other number, or a boolean, gives no value (the request is
// refused rather than a fraction cut or a negative wrapped onto another
// process). Other types raise the library's type error like every
// value-with-default read.
std::optional<uint32_t> ReadProcessId(const Json& payload) {
  if (payload.find("processId") == payload.end()) return 0;
  int64_t value = 0;
  if (ReadIntegerField(payload, "processId", 0, std::numeric_limits<uint32_t>::max(), value)) {
    return static_cast<uint32_t>(value);
  }
  (void)ReadNumberOr<int64_t>(payload, "processId", 0);  // type error for a non-number
  return std::nullopt;
}

Json ListPortsReply(const PortsContext& ports, std::string_view type, const Json& payload) {
  const std::string requestId = ReadRequestId(payload);
  if (!IsValidRequestId(requestId)) {
    throw std::runtime_error(std::string(system_route_texts::kPortsRequestInvalid));
  }
  Json entries = Json::array();
  for (const PortEntry& entry : ports.listPorts()) entries.push_back(PortEntryToJson(entry));
  return MakeResultReply(type, requestId, Json{{"entries", std::move(entries)}});
}

Json TerminateReply(const PortsContext& ports, std::string_view type, const Json& payload) {
  const std::string requestId = ReadRequestId(payload);
  const std::optional<uint32_t> processId = ReadProcessId(payload);
  const std::string processName = ReadTextOr(payload, "processName", "");
  const bool confirmed = ReadBoolOr(payload, "confirmed", false);
  if (!IsValidRequestId(requestId) || !confirmed) {
    return MakeErrorReply(type, requestId, system_route_texts::kConfirmationRequired);
  }
  if (!processId) return MakeErrorReply(type, requestId, system_route_texts::kProcessIdInvalid);
  const PortTerminateResult result = TerminatePortProcess(*processId, processName, ports);
  if (!result.ok) return MakeErrorReply(type, requestId, result.message);
  return MakeResultReply(type, requestId, Json{{"message", result.message}});
}

}  // namespace

Json RoutePortsRequest(const PortsContext& ports, std::string_view type, const Json& payload) {
  if (type == "ports.list") return ListPortsReply(ports, type, payload);
  if (type == "ports.terminate") return TerminateReply(ports, type, payload);
  throw std::invalid_argument(std::string(dispatch_texts::kUnsupported));
}

Json RouteSystemRequest(const SystemSnapshotSource& buildSnapshot, std::string_view type,
                        const Json& payload) {
  if (type != "system.snapshot") {
    throw std::invalid_argument(std::string(dispatch_texts::kUnsupported));
  }
  const std::string requestId = ReadRequestId(payload);
  if (!IsValidRequestId(requestId)) {
    throw std::runtime_error(std::string(system_route_texts::kSnapshotRequestInvalid));
  }
  return WithOwnCatch(type, requestId, [&] {
    return MakeResultReply(type, requestId, Json{{"snapshot", SystemSnapshotToJson(buildSnapshot())}});
  });
}

}  // namespace nubo
