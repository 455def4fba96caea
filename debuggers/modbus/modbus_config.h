#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "debuggers/modbus/modbus_frame.h"

namespace nubo {

struct ModbusConnectionConfig {
  bool tcp = true;
  std::string host;
  std::string serialPort;
  std::string parity;
  int32_t port = 0;
  int32_t baudRate = 0;
  int32_t stopBits = 0;
  int32_t unitId = 0;
  int32_t timeoutMs = 0;
  int32_t retries = 0;
};

// An absent key gives fallback; a non-integer or out-of-range value throws
// the key's sentence.
int64_t ModbusReadIntParam(const nlohmann::json& payload, std::string_view key, int64_t fallback, int64_t min,
                           int64_t max);
// The "start" payload checked in full; throws the first failure's sentence.
ModbusConnectionConfig ModbusParseConnectionConfig(const nlohmann::json& payload);
// The "request" payload's function code, address, quantity and values into
// request (unitId is the caller's). Throws the first failure's sentence.
void ModbusReadRequestFields(const nlohmann::json& payload, ModbusRequest& request);
// True when the payload's `confirmed` is the boolean true.
bool ModbusWriteConfirmed(const nlohmann::json& payload);

}  // namespace nubo
