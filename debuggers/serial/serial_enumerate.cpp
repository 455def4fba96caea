#include <windows.h>

#include <cstring>

#include "debuggers/serial/serial_limits.h"
#include "debuggers/serial/serial_port.h"
#include "store/registry_key.h"

namespace nubo {
namespace {

constexpr wchar_t kDeviceMapPath[] = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";
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
  RegistryKey key;
  const LSTATUS opened = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kDeviceMapPath, 0, KEY_QUERY_VALUE, key.out());
  if (errorCode != nullptr) *errorCode = 0;
  if (opened == ERROR_FILE_NOT_FOUND) return 0;
  if (opened != ERROR_SUCCESS) {
    if (errorCode != nullptr) *errorCode = static_cast<uint32_t>(opened);
    return -1;
  }
  size_t filled = 0;
  for (DWORD index = 0; index < serial::kEnumerateMaxIndexes && filled < capacity; ++index) {
    wchar_t name[kNameUnits + 1] = {};
    wchar_t data[kDataBytes / sizeof(wchar_t) + 1] = {};
    DWORD nameUnits = kNameUnits;
    DWORD dataBytes = kDataBytes;
    DWORD type = 0;
    const LSTATUS read = RegEnumValueW(key.get(), index, name, &nameUnits, nullptr, &type,
                                       reinterpret_cast<BYTE*>(data), &dataBytes);
    if (read == ERROR_NO_MORE_ITEMS) break;
    if (read != ERROR_SUCCESS || type != REG_SZ) continue;
    name[kNameUnits] = L'\0';
    data[kDataBytes / sizeof(wchar_t)] = L'\0';
    SerialPortInfo& info = ports[filled];
    std::memset(&info, 0, sizeof(info));
    if (!ToUtf8Within(data, info.portName, sizeof(info.portName)) ||
        !IsValidSerialPortName(info.portName, sizeof(info.portName))) {
      continue;
    }
    // A device name too long for the field is left empty.
    if (!ToUtf8Within(name, info.deviceName, sizeof(info.deviceName))) std::memset(info.deviceName, 0, sizeof(info.deviceName));
    ++filled;
  }
  return static_cast<int>(filled);
}

}  // namespace nubo
