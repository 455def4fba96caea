#include "ui_bridge/device_routes.h"

#include <utility>

#include "debuggers/serial/serial_service.h"
#include "ui_bridge/messages.h"

namespace nubo {

// ---- Serial debugger ----

Json RouteSerialRequest(SerialService& service, std::string_view type, const std::string& requestId,
                        const Json& payload) {
  constexpr std::string_view kPrefix = "serial.";
  return WithOwnCatch(type, requestId, [&] {
    Json result = Json::object();
    service.HandleRequest(result, type.substr(kPrefix.size()), payload);
    result["requestId"] = requestId;  // whatever the service put there
    return MakeMessage(std::string(type) + ".result", std::move(result));
  });
}

}  // namespace nubo
