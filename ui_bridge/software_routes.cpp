#include "ui_bridge/software_routes.h"

#include <algorithm>
#include <array>
#include <string>

#include "ui_bridge/dispatch_texts.h"
#include "ui_bridge/field_readers.h"
#include "ui_bridge/route_limits.h"

namespace nubo {
namespace {

// One software request: answers the reply for the sender, or null when the
// reply comes later (a scan's).
using SoftwareHandler = Json (*)(SoftwareRouteContext& context, const RouteRequest& request);

struct SoftwareRow {
  std::string_view type;
  SoftwareHandler handle;
};

// One row per request type.
constexpr std::array<SoftwareRow, 0> kSoftwareRows{};

}  // namespace

Json SoftwareGate(const RouteRequest& request) {
  std::string requestId;
  ReadStringField(request.payload, "requestId", requestId);
  const GateFacts& facts = request.facts;
  const bool passes = IsValidRequestId(requestId) && facts.fromDashboard && !facts.shuttingDown &&
                      request.textBytes <= route_limits::kGatedMessageMaxBytes &&
                      (facts.dashboardVisible || request.type == "software.scan.cancel");
  if (passes) return nullptr;
  return MakeErrorReply(request.type, requestId, dispatch_texts::kSoftwareGate);
}

Json RouteSoftwareRequest(SoftwareRouteContext& context, const RouteRequest& request) {
  const auto row = std::ranges::find(kSoftwareRows, std::string_view(request.type), &SoftwareRow::type);
  if (row == kSoftwareRows.end()) return AppErrorMessage(dispatch_texts::kUnsupported);
  return row->handle(context, request);
}

}  // namespace nubo
