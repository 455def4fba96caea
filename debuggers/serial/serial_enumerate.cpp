#include <windows.h>

#include <cstring>

#include "debuggers/serial/serial_device_map.h"
#include "debuggers/serial/serial_limits.h"
#include "debuggers/serial/serial_port.h"

namespace nubo {
namespace {

constexpr DWORD kNameUnits = 255;
constexpr DWORD kDataBytes = 64;

// UTF-8 of a NUL-terminated UTF-16 text into out, terminator included; false
// when it does not fit.
bool ToUtf8Within(const wchar_t* text, char* out, int capacity) {
  return WideCharToMultiByte(CP_UTF8, 0, text, -1, out, capacity, nullptr, nullptr) > 0;
}

}  // namespace

int SerialPortEnumerate(SerialPortInfo* ports, size_t capacity, uint32_t* errorCode) {
  if (ports == nullptr && capacity != 0) {
    if (errorCode != nullptr) *errorCode = ERROR_INVALID_PARAMETER;
    return -1;
  }
  SerialDeviceMap map({serial::kEnumerateMaxIndexes, kNameUnits, kDataBytes});
  const LSTATUS opened = map.Open();
  if (errorCode != nullptr) *errorCode = 0;
  if (opened == ERROR_FILE_NOT_FOUND) return 0;
  if (opened != ERROR_SUCCESS) {
    if (errorCode != nullptr) *errorCode = static_cast<uint32_t>(opened);
    return -1;
  }
  size_t filled = 0;
  while (filled < capacity && map.Next()) {
    SerialPortInfo& info = ports[filled];
    std::memset(&info, 0, sizeof(info));
    if (!ToUtf8Within(map.data(), info.portName, sizeof(info.portName)) ||
        !IsValidSerialPortName(info.portName, sizeof(info.portName))) {
      continue;
    }
    // A device name too long for the field is left empty.
    if (!ToUtf8Within(map.name(), info.deviceName, sizeof(info.deviceName))) std::memset(info.deviceName, 0, sizeof(info.deviceName));
    ++filled;
  }
  return static_cast<int>(filled);
}

}  // namespace nubo
