#pragma once

#include <string>

#include <nlohmann/json.hpp>

namespace nubo {

class ModbusService;

// ---- Modbus ----
// Runs "modbus.<action>" on the service and returns type + ".result" with the
// request's requestId; the service's exceptions reach the caller's own catch.
nlohmann::json RouteModbusRequest(ModbusService& service, const std::string& type, const std::string& requestId,
                                  const nlohmann::json& payload);

}  // namespace nubo
