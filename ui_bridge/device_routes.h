#pragma once

#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace nubo {

class SerialService;

// ---- Serial debugger ----
// Answers a "serial." request that passed the device gate: the service's
// result with the request's requestId, or type + ".error" with the refusal.
nlohmann::json RouteSerialRequest(SerialService& service, std::string_view type, const std::string& requestId,
                                  const nlohmann::json& payload);

}  // namespace nubo
