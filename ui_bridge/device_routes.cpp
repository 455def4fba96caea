#include "ui_bridge/device_routes.h"

#include <algorithm>
#include <array>
#include <span>
#include <stdexcept>
#include <string>

#include "debuggers/mqtt/mqtt_service.h"
#include "ui_bridge/dispatch_texts.h"
#include "ui_bridge/field_readers.h"
#include "ui_bridge/route_limits.h"

namespace nubo {
namespace {

// One action of a device family: reads what it needs from the payload, calls
// its service and answers the result object (its requestId is set by the route).
using DeviceAction = Json (*)(DeviceServices& services, const Json& payload);

struct DeviceActionRow {
  std::string_view action;
  DeviceAction run;
};

// ---- Serial debugger: one row per action.
constexpr std::array<DeviceActionRow, 0> kSerialActions{};

// ---- MQTT client: every action goes to the service, which refuses the ones
// it does not know with its own text.
constexpr std::array<DeviceActionRow, 0> kMqttActions{};

Json MqttRequest(DeviceServices& services, std::string_view action, const Json& payload) {
  Json result = Json::object();
  services.mqtt.HandleRequest(result, action, payload);
  return result;
}

// ---- Modbus master: one row per action.
constexpr std::array<DeviceActionRow, 0> kModbusActions{};

// A family whose service takes the action itself answers every action its
// table does not hold.
using DeviceAnyAction = Json (*)(DeviceServices& services, std::string_view action, const Json& payload);

struct DeviceFamily {
  std::string_view prefix;
  std::span<const DeviceActionRow> actions;
  DeviceAnyAction anyAction = nullptr;
};

constexpr DeviceFamily kDeviceFamilies[] = {
    {"serial.", kSerialActions},
    {"mqtt.", kMqttActions, MqttRequest},
    {"modbus.", kModbusActions},
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
      if (!request.type.starts_with(family.prefix)) continue;
      const auto row = std::ranges::find(family.actions, action, &DeviceActionRow::action);
      if (row != family.actions.end()) {
        return MakeResultReply(request.type, requestId, row->run(services, request.payload));
      }
      if (family.anyAction == nullptr) break;
      return MakeResultReply(request.type, requestId, family.anyAction(services, action, request.payload));
    }
    throw std::runtime_error(dispatch_texts::kUnsupported);
  });
}

}  // namespace nubo
