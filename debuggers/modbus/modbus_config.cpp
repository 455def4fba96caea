#include "debuggers/modbus/modbus_config.h"

#include <ws2tcpip.h>

#include <stdexcept>

#include "debuggers/modbus/modbus_texts.h"

namespace nubo {
namespace {

namespace texts = modbus_texts;
using Json = nlohmann::json;

[[noreturn]] void Fail(std::string_view text) { throw std::runtime_error(std::string(text)); }

[[noreturn]] void FailKey(std::string_view key, std::string_view suffix) {
  throw std::runtime_error(std::string(key) + std::string(suffix));
}

bool IsNumericHost(const std::string& host) {
  in_addr v4{};
  in6_addr v6{};
  return inet_pton(AF_INET, host.c_str(), &v4) == 1 || inet_pton(AF_INET6, host.c_str(), &v6) == 1;
}

void CheckSerialPort(const std::string& name) {
  if (name.size() < 4 || name.size() > 8 || name.compare(0, 3, "COM") != 0 || name[3] == '0') {
    Fail(texts::kComPortForm);
  }
  for (size_t i = 3; i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9') Fail(texts::kComPortName);
  }
}

int32_t ReadInt(const Json& payload, std::string_view key, int64_t fallback, int64_t min, int64_t max) {
  return static_cast<int32_t>(ModbusReadIntParam(payload, key, fallback, min, max));
}

}  // namespace

int64_t ModbusReadIntParam(const Json& payload, std::string_view key, int64_t fallback, int64_t min, int64_t max) {
  const auto it = payload.find(key);
  if (it == payload.end()) return fallback;
  int64_t value = 0;
  if (it->is_number_integer()) {
    if (it->is_number_unsigned() && it->get<uint64_t>() > static_cast<uint64_t>(max)) FailKey(key, texts::kOutOfRange);
    value = it->get<int64_t>();
  } else {
    FailKey(key, texts::kNotInteger);
  }
  if (value < min || value > max) FailKey(key, texts::kOutOfRange);
  return value;
}

ModbusConnectionConfig ModbusParseConnectionConfig(const Json& payload) {
  ModbusConnectionConfig config;
  const std::string transport = payload.value("transport", std::string("tcp"));
  if (transport != "tcp" && transport != "rtu") Fail(texts::kChooseTransport);
  config.tcp = transport == "tcp";
  config.host = payload.value("host", std::string("127.0.0.1"));
  config.serialPort = payload.value("serialPort", std::string("COM1"));
  config.parity = payload.value("parity", std::string("even"));
  config.port = ReadInt(payload, "port", 502, 1, 65535);
  config.baudRate = ReadInt(payload, "baudRate", 9600, 1200, 230400);
  config.stopBits = ReadInt(payload, "stopBits", 1, 1, 2);
  config.unitId = ReadInt(payload, "unitId", 1, kModbusMinUnitId, kModbusMaxUnitId);
  config.timeoutMs = ReadInt(payload, "timeoutMs", 1000, 100, 10000);
  config.retries = ReadInt(payload, "retries", 0, 0, 2);
  ReadInt(payload, "dataBits", 8, 8, 8);
  if (config.tcp) {
    if (!IsNumericHost(config.host)) Fail(texts::kNumericHost);
  } else {
    CheckSerialPort(config.serialPort);
    if (config.parity != "none" && config.parity != "even" && config.parity != "odd") Fail(texts::kParity);
  }
  return config;
}

void ModbusReadRequestFields(const Json& payload, ModbusRequest& request) {
  request.functionCode = static_cast<uint8_t>(ModbusReadIntParam(payload, "functionCode", 3, 1, 16));
  request.address = static_cast<uint16_t>(ModbusReadIntParam(payload, "address", 0, 0, 65535));
  request.quantity = static_cast<uint16_t>(ModbusReadIntParam(payload, "quantity", 1, 1, kModbusMaxValues));
  request.valueCount = 0;
  const auto values = payload.find("values");
  if (values == payload.end()) return;
  if (!values->is_array() || values->size() > kModbusMaxValues) Fail(texts::kValueList);
  for (const Json& value : *values) {
    if (!value.is_number_integer() || value.get<int64_t>() < 0 || value.get<int64_t>() > 65535 ||
        (value.is_number_unsigned() && value.get<uint64_t>() > 65535)) {
      Fail(texts::kRegisterValue);
    }
    request.values[request.valueCount++] = static_cast<uint16_t>(value.get<int64_t>());
  }
}

bool ModbusWriteConfirmed(const Json& payload) {
  const auto it = payload.find("confirmed");
  return it != payload.end() && it->is_boolean() && it->get<bool>();
}

}  // namespace nubo
