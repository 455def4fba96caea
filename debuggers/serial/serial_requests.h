#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "debuggers/serial/serial_port_settings.h"

namespace nubo {

// The readers of the serial requests' payload members; each throws
// std::runtime_error with the user's sentence, or lets the JSON library's
// own error through (a missing port or dataHex, a dtr that is no boolean).

// A JSON integer 0..4,000,000, or fallback when absent.
uint32_t SerialReadIntParam(const nlohmann::json& payload, std::string_view name, uint32_t fallback);

// The whole record of a start, checked by SerialPortValidateSettings.
SerialPortSettings SerialParseSettings(const nlohmann::json& payload);

// The bytes of a send's dataHex: 1..65,536 bytes as strict hex.
std::vector<uint8_t> SerialParseSendHex(const nlohmann::json& payload);

}  // namespace nubo
