#include "ui_bridge/device_routes.h"

#include <utility>
#include <string>

#include "debuggers/modbus/modbus_service.h"
#include "debuggers/mqtt/mqtt_service.h"
#include "debuggers/serial/serial_service.h"
#include "ui_bridge/dispatch_texts.h"
#include "ui_bridge/field_readers.h"
#include "ui_bridge/route_limits.h"

namespace nubo {
namespace {

std::string_view ActionOf(std::string_view type) { return type.substr(type.find('.') + 1); }

// Each service reads its own payload and answers every action itself,
// refusing the ones it does not know with its own text.
template <typename Service>
Json RouteToService(Service& service, const RouteRequest& request) {
  std::string requestId;
  ReadStringField(request.payload, "requestId", requestId);
  return WithOwnCatch(request.type, requestId, [&] {
    Json result = Json::object();
    service.HandleRequest(result, std::string(ActionOf(request.type)), request.payload);
    return MakeResultReply(request.type, requestId, std::move(result));
  });
}

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

Json RouteDeviceRequest(SerialService& service, const RouteRequest& request) {
  return RouteToService(service, request);
}
Json RouteDeviceRequest(MqttService& service, const RouteRequest& request) {
  return RouteToService(service, request);
}
Json RouteDeviceRequest(ModbusService& service, const RouteRequest& request) {
  return RouteToService(service, request);
}

}  // namespace nubo
