#include "ui_bridge/software_routes.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <string>
#include <vector>

#include "maintenance/software/cleanup_plan.h"
#include "maintenance/software/software_scan_worker.h"
#include "maintenance/software/software_service.h"
#include "store/text_rules.h"
#include "ui_bridge/dispatch_texts.h"
#include "ui_bridge/field_readers.h"
#include "ui_bridge/route_limits.h"
#include "ui_bridge/software_route_texts.h"

namespace nubo {
namespace {

using namespace route_limits;
namespace texts = software_route_texts;

// One software request: answers the reply for the sender, or null when the
// reply comes later (a scan's).
using SoftwareHandler = Json (*)(SoftwareRouteContext& context, const RouteRequest& request);

// A string member the request needs: 1 to maxBytes bytes without a NUL.
struct RequiredText {
  std::string_view name;
  size_t maxBytes = 0;
};

struct SoftwareRow {
  std::string_view type;
  std::array<RequiredText, 2> texts;  // unused entries have no name
  bool needsConfirmed;                // `confirmed` present as a JSON boolean
  SoftwareHandler handle;
};

bool HasRequiredFields(const SoftwareRow& row, const Json& payload) {
  std::string ignored;
  for (const RequiredText& text : row.texts) {
    if (!text.name.empty() && !ReadBoundedStringField(payload, text.name, text.maxBytes, ignored)) return false;
  }
  if (!row.needsConfirmed) return true;
  const auto confirmed = payload.find("confirmed");
  return confirmed != payload.end() && confirmed->is_boolean();
}

bool IsPlanToken(std::string_view token) { return token.size() == kPlanTokenBytes; }

bool IsSoftwareName(std::string_view name) { return IsValidDisplayName(name, kSoftwareNameMaxCodePoints); }

// The identity fields of "software.scan" and "software.uninstall".
bool ReadProgram(const Json& payload, std::string& requestId, std::string& softwareId, std::string& displayName) {
  const bool read = ReadStringField(payload, "requestId", requestId) &&
                    ReadStringField(payload, "softwareId", softwareId) &&
                    ReadStringField(payload, "displayName", displayName);
  return read && IsValidRequestId(requestId) && !softwareId.empty() && softwareId.size() <= kSoftwareIdMaxBytes &&
         IsSoftwareName(displayName);
}

// The paths in order; the first element that is not a non-empty string of at
// most kResidualPathMaxBytes without a NUL, or too many elements, empties it.
std::vector<std::string> ReadSelectedPaths(const Json& payload) {
  const auto member = payload.find("selectedPaths");
  if (member == payload.end() || !member->is_array() || member->size() > kSelectedPathsMax) return {};
  std::vector<std::string> paths;
  for (const Json& element : *member) {
    if (!element.is_string()) return {};
    const std::string& path = element.get_ref<const std::string&>();
    if (path.empty() || path.size() > kResidualPathMaxBytes || path.find('\0') != std::string::npos) return {};
    paths.push_back(path);
  }
  return paths;
}

Json OperationReply(std::string_view type, const std::string& requestId, const SoftwareOperationResult& result,
                    bool success) {
  Json payload{{"requestId", requestId},
               {"message", result.message},
               {"operation", SoftwareOperationResultToJson(result)}};
  return MakeMessage(std::string(type) + (success ? ".result" : ".error"), std::move(payload));
}

Json CancelScan(SoftwareRouteContext& context, const RouteRequest& request) {
  const std::string requestId = ReadTextOr(request.payload, "requestId", "");
  // The cancel answers the pending scan request itself.
  context.scans.Cancel(false);
  return MakeResultReply(request.type, requestId);
}

Json Refresh(SoftwareRouteContext& context, const RouteRequest& request) {
  const std::string requestId = ReadTextOr(request.payload, "requestId", "");
  const std::string token = ReadTextOr(request.payload, "planToken", "");
  return WithOwnCatch(request.type, requestId, [&]() -> Json {
    if (!IsPlanToken(token)) throw std::invalid_argument(std::string(texts::kPlanTokenInvalid));
    context.scans.Start(context.owner, requestId, "", "", token);
    return nullptr;
  });
}

Json Reveal(SoftwareRouteContext& context, const RouteRequest& request) {
  const std::string requestId = ReadTextOr(request.payload, "requestId", "");
  const std::string token = ReadTextOr(request.payload, "planToken", "");
  const std::string path = ReadTextOr(request.payload, "path", "");
  return WithOwnCatch(request.type, requestId, [&] {
    if (!IsPlanToken(token) || path.empty() || path.size() > kResidualPathMaxBytes) {
      throw std::invalid_argument(std::string(texts::kRevealInvalid));
    }
    const SoftwareOperationResult result = context.service.RevealResidual(token, path);
    return OperationReply(request.type, requestId, result, result.succeeded);
  });
}

Json List(SoftwareRouteContext& context, const RouteRequest& request) {
  const std::string requestId = ReadTextOr(request.payload, "requestId", "");
  if (!IsValidRequestId(requestId)) return AppErrorMessage(texts::kListRequestIdInvalid);
  return WithOwnCatch(request.type, requestId, [&] {
    Json entries = Json::array();
    for (const SoftwareEntry& entry : context.service.ListSoftware()) entries.push_back(SoftwareEntryToJson(entry));
    return MakeResultReply(request.type, requestId, Json{{"entries", std::move(entries)}});
  });
}

Json Scan(SoftwareRouteContext& context, const RouteRequest& request) {
  std::string requestId;
  std::string softwareId;
  std::string displayName;
  if (!ReadProgram(request.payload, requestId, softwareId, displayName)) {
    return MakeErrorReply(request.type, requestId, texts::kScanInvalid);
  }
  return WithOwnCatch(request.type, requestId, [&]() -> Json {
    context.scans.Start(context.owner, requestId, softwareId, displayName, "");
    return nullptr;
  });
}

Json Uninstall(SoftwareRouteContext& context, const RouteRequest& request) {
  std::string requestId;
  std::string softwareId;
  std::string displayName;
  if (!ReadProgram(request.payload, requestId, softwareId, displayName)) {
    return MakeErrorReply(request.type, requestId, texts::kUninstallInvalid);
  }
  const bool confirmed = ReadBoolOr(request.payload, "confirmed", false);
  return WithOwnCatch(request.type, requestId, [&] {
    const SoftwareOperationResult result = context.service.LaunchUninstaller(softwareId, displayName, confirmed);
    return OperationReply(request.type, requestId, result, result.succeeded);
  });
}

Json Cleanup(SoftwareRouteContext& context, const RouteRequest& request) {
  std::string requestId;
  std::string token;
  std::string typedName;
  const bool read = ReadStringField(request.payload, "requestId", requestId) &&
                    ReadStringField(request.payload, "planToken", token) &&
                    ReadStringField(request.payload, "typedName", typedName);
  const bool confirmed = ReadBoolOr(request.payload, "confirmed", false);
  const std::vector<std::string> paths = ReadSelectedPaths(request.payload);
  if (!read || !IsValidRequestId(requestId) || !IsPlanToken(token) || !IsSoftwareName(typedName) || paths.empty()) {
    return MakeErrorReply(request.type, requestId, texts::kCleanupInvalid);
  }
  return WithOwnCatch(request.type, requestId, [&] {
    const SoftwareOperationResult result = context.service.CleanupResiduals(token, typedName, paths, confirmed);
    return OperationReply(request.type, requestId, result, result.succeeded || !result.removedPaths.empty());
  });
}

constexpr RequiredText kSoftwareId{"softwareId", kSoftwareIdMaxBytes};
constexpr RequiredText kDisplayName{"displayName", kSoftwareNameMaxBytes};
constexpr RequiredText kPlanToken{"planToken", kPlanTokenBytes};
constexpr RequiredText kPath{"path", kResidualPathMaxBytes};
constexpr RequiredText kTypedName{"typedName", kSoftwareNameMaxBytes};

// One row per request type, with the fields it needs before anything else.
constexpr std::array<SoftwareRow, 7> kSoftwareRows{{
    {"software.scan.cancel", {}, false, CancelScan},
    {"software.refresh", {kPlanToken}, false, Refresh},
    {"software.reveal", {kPlanToken, kPath}, false, Reveal},
    {"software.list", {}, false, List},
    {"software.scan", {kSoftwareId, kDisplayName}, false, Scan},
    {"software.uninstall", {kSoftwareId, kDisplayName}, true, Uninstall},
    {"software.cleanup", {kPlanToken, kTypedName}, true, Cleanup},
}};

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
  std::string requestId;
  ReadStringField(request.payload, "requestId", requestId);
  const auto row = std::ranges::find(kSoftwareRows, std::string_view(request.type), &SoftwareRow::type);
  if (row != kSoftwareRows.end() && !HasRequiredFields(*row, request.payload)) {
    return MakeErrorReply(request.type, requestId, texts::kFieldsInvalid);
  }
  context.scans.Deliver();
  if (context.scans.IsRunning() && request.type != "software.scan.cancel") {
    return MakeErrorReply(request.type, requestId, texts::kScanStillRunning);
  }
  if (row == kSoftwareRows.end()) return AppErrorMessage(dispatch_texts::kUnsupported);
  return row->handle(context, request);
}

}  // namespace nubo
