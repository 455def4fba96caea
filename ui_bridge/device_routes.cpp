#include "ui_bridge/device_routes.h"

#include <stdexcept>
#include <string>

#include "debuggers/modbus/modbus_service.h"
#include "debuggers/mqtt/mqtt_service.h"
#include "debuggers/serial/serial_service.h"
#include "ui_bridge/dispatch_texts.h"
#include "ui_bridge/field_readers.h"
#include "ui_bridge/route_limits.h"

namespace nubo {
namespace {

// Each service reads its own payload and answers every action itself,
// refusing the ones it does not know with its own text.
template <typename Service>
Json Forward(Service& service, std::string_view action, const Json& payload) {
  Json result = Json::object();
  service.HandleRequest(result, std::string(action), payload);
  return result;
}

struct DeviceFamily {
  std::string_view prefix;
  Json (*forward)(DeviceServices& services, std::string_view action, const Json& payload);
};

constexpr DeviceFamily kDeviceFamilies[] = {
    {"serial.", [](DeviceServices& s, std::string_view a, const Json& p) { return Forward(s.serial, a, p); }},
    {"mqtt.", [](DeviceServices& s, std::string_view a, const Json& p) { return Forward(s.mqtt, a, p); }},
    {"modbus.", [](DeviceServices& s, std::string_view a, const Json& p) { return Forward(s.modbus, a, p); }},
};

std::string_view ActionOf(std::string_view type) { return type.substr(type.find('.') + 1); }

}  // namespace

Json DeviceGate(const RouteRequest& request) {
  std::string requestId;
  ReadStringField(request.payload, "requestId", requestId);
  const GateFacts& facts = request.facts;
  if (!IsValidRequestId(requestId) || request.type.size() > route_limits::kDeviceTypeMaxBytes ||
      request.textBytes > route_limits::kGatedMessageMaxBytes || !facts.fromDashboard ||
      facts.shuttingDown) {
    return MakeErrorReply(request.type, requestId, dispatch_texts::kDeviceRequestInvalid);
  }
  const std::string_view action = ActionOf(request.type);
  if (!facts.dashboardVisible && action != "poll" && action != "stop") {
    return MakeErrorReply(request.type, requestId, dispatch_texts::kOpenWorkbenchFirst);
  }
  return nullptr;
}

Json RouteDeviceRequest(DeviceServices& services, const RouteRequest& request) {
  std::string requestId;
  ReadStringField(request.payload, "requestId", requestId);
  return WithOwnCatch(request.type, requestId, [&] {
    const std::string_view action = ActionOf(request.type);
    for (const DeviceFamily& family : kDeviceFamilies) {
      if (request.type.starts_with(family.prefix)) {
        return MakeResultReply(request.type, requestId, family.forward(services, action, request.payload));
      }
    }
    throw std::runtime_error(std::string(dispatch_texts::kUnsupported));
  });
}

}  // namespace nubo
