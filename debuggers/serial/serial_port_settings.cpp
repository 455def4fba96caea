#include "debuggers/serial/serial_port_settings.h"

#include "debuggers/serial/serial_limits.h"

namespace nubo {

bool IsValidSerialPortName(const char* name, unsigned capacity) {
  if (name == nullptr || capacity < 5 || name[0] != 'C' || name[1] != 'O' || name[2] != 'M') return false;
  if (name[3] < '1' || name[3] > '9') return false;
  uint32_t number = 0;
  for (unsigned i = 3; i < capacity; ++i) {
    const char c = name[i];
    if (c == '\0') return number <= serial::kMaxPortNumber;
    if (c < '0' || c > '9' || i > 7) return false;
    number = number * 10 + static_cast<uint32_t>(c - '0');
  }
  return false;
}

int SerialPortValidateSettings(const SerialPortSettings* settings) {
  if (settings == nullptr) return 0;
  const SerialPortSettings& s = *settings;
  const bool valid = IsValidSerialPortName(s.portName, sizeof(s.portName)) && s.baudRate >= serial::kMinBaudRate &&
                     s.baudRate <= serial::kMaxBaudRate && s.dataBits >= 5 && s.dataBits <= 8 && s.parity <= 4 &&
                     s.stopBits <= 2 && s.flowControl <= 2 && s.dtr <= 1 && s.rts <= 1 &&
                     (s.stopBits != 1 || s.dataBits == 5) && (s.stopBits != 2 || s.dataBits != 5);
  return valid ? 1 : 0;
}

}  // namespace nubo
