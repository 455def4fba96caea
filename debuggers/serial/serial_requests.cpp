#include "debuggers/serial/serial_requests.h"

#include <cstring>
#include <stdexcept>
#include <string>

#include "debuggers/serial/serial_hex.h"
#include "debuggers/serial/serial_limits.h"
#include "debuggers/serial/serial_texts.h"

namespace nubo {

namespace text = serial::text;
using Json = nlohmann::json;

uint32_t SerialReadIntParam(const Json& payload, std::string_view name, uint32_t fallback) {
  const auto member = payload.find(name);
  if (member == payload.end()) return fallback;
  if (member->is_number_unsigned()) {
    if (member->get<uint64_t>() > static_cast<uint64_t>(serial::kMaxIntParam)) {
      throw std::runtime_error(std::string(text::kOutOfRange));
    }
    return static_cast<uint32_t>(member->get<uint64_t>());
  }
  if (!member->is_number_integer()) throw std::runtime_error(std::string(text::kNotInteger));
  const int64_t value = member->get<int64_t>();
  if (value < 0 || value > serial::kMaxIntParam) throw std::runtime_error(std::string(text::kOutOfRange));
  return static_cast<uint32_t>(value);
}

SerialPortSettings SerialParseSettings(const Json& payload) {
  const std::string port = payload.at("port").get<std::string>();
  if (port.size() >= serial::kPortNameBytes || port.find('\0') != std::string::npos) {
    throw std::runtime_error(std::string(text::kInvalidPort));
  }
  SerialPortSettings settings{};
  std::memcpy(settings.portName, port.data(), port.size());
  settings.baudRate = SerialReadIntParam(payload, "baud", 115200);
  settings.dataBits = SerialReadIntParam(payload, "dataBits", 8);
  settings.parity = SerialReadIntParam(payload, "parity", 0);
  settings.stopBits = SerialReadIntParam(payload, "stopBits", 0);
  settings.flowControl = SerialReadIntParam(payload, "flowControl", 0);
  settings.dtr = payload.value("dtr", true) ? 1 : 0;
  settings.rts = payload.value("rts", true) ? 1 : 0;
  if (SerialPortValidateSettings(&settings) == 0) throw std::runtime_error(std::string(text::kInvalidSettings));
  return settings;
}

std::vector<uint8_t> SerialParseSendHex(const Json& payload) {
  const std::string hex = payload.at("dataHex").get<std::string>();
  if (hex.size() < 2 || hex.size() > serial::kHexTextMaxChars || hex.size() % 2 != 0) {
    throw std::runtime_error(std::string(text::kSendLength));
  }
  std::vector<uint8_t> bytes(hex.size() / 2);
  size_t count = 0;
  if (SerialPortHexToBytes(hex.data(), hex.size(), bytes.data(), bytes.size(), &count) == 0) {
    throw std::runtime_error(std::string(text::kSendInvalidHex));
  }
  return bytes;
}

}  // namespace nubo
