#include "debuggers/modbus/modbus_ports.h"

#include "debuggers/serial/serial_port.h"

namespace nubo {
namespace {

constexpr size_t kMaxPorts = 1024;

}  // namespace

std::vector<std::string> ModbusListComPorts() {
  std::vector<SerialPortInfo> found(kMaxPorts);
  uint32_t code = 0;
  const int count = SerialPortEnumerate(found.data(), found.size(), &code);
  std::vector<std::string> ports;
  for (int i = 0; i < count; ++i) ports.emplace_back(found[i].portName);
  return ports;
}

}  // namespace nubo
