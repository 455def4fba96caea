#include "ui_bridge/device_routes.h"

#include "debuggers/modbus/modbus_service.h"
#include "ui_bridge/messages.h"

namespace nubo {

// ---- Modbus ----

Json RouteModbusRequest(ModbusService& service, const std::string& type, const std::string& requestId,
                        const Json& payload) {
  constexpr size_t kPrefixBytes = sizeof("modbus.") - 1;
  Json result = Json::object();
  service.HandleRequest(result, type.substr(kPrefixBytes), payload);
  result["requestId"] = requestId;
  return MakeMessage(type + ".result", std::move(result));
}

}  // namespace nubo
