#include "debuggers/modbus/modbus_ports.h"

#include <string_view>

#include "debuggers/modbus/modbus_limits.h"
#include "debuggers/serial/serial_device_map.h"

namespace nubo {
namespace {

// Any ASCII text that begins with "COM" is offered: the user may have a
// driver that names its ports in a way of its own.
bool IsListedPortText(std::wstring_view text) {
  if (text.size() > kModbusPortNameMaxChars || !text.starts_with(L"COM")) return false;
  for (wchar_t unit : text) {
    if (unit >= 128) return false;
  }
  return true;
}

}  // namespace

std::vector<std::string> ModbusListComPorts() {
  std::vector<std::string> ports;
  SerialDeviceMap map({kModbusPortsMaxIndexes, kModbusPortsNameUnits, kModbusPortsDataBytes});
  if (map.Open() != ERROR_SUCCESS) return ports;
  while (map.Next()) {
    const std::wstring_view text(map.data());
    if (IsListedPortText(text)) ports.emplace_back(text.begin(), text.end());
  }
  return ports;
}

}  // namespace nubo
