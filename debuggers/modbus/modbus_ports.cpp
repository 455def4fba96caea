#include "debuggers/modbus/modbus_ports.h"

#include <windows.h>

#include "store/unique_handle.h"

namespace nubo {
namespace {

constexpr DWORD kMaxIndexes = 1024;
constexpr DWORD kNameUnits = 512;
constexpr DWORD kDataBytes = 1024;

struct RegistryKeyTraits {
  using Value = HKEY;
  static Value Invalid() { return nullptr; }
  static bool IsValid(Value value) { return value != nullptr; }
  static void Close(Value value) { RegCloseKey(value); }
};

}  // namespace

std::vector<std::string> ModbusListComPorts() {
  std::vector<std::string> ports;
  UniqueHandle<RegistryKeyTraits> key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, key.out()) != ERROR_SUCCESS) {
    return ports;
  }
  for (DWORD index = 0; index < kMaxIndexes; ++index) {
    wchar_t name[kNameUnits];
    DWORD nameUnits = kNameUnits;
    BYTE data[kDataBytes];
    DWORD dataBytes = kDataBytes;
    DWORD type = 0;
    const LONG status = RegEnumValueW(key.get(), index, name, &nameUnits, nullptr, &type, data, &dataBytes);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status != ERROR_SUCCESS || type != REG_SZ || dataBytes < 2 || dataBytes > kDataBytes) continue;
    std::string text;
    const auto* units = reinterpret_cast<const wchar_t*>(data);
    bool ascii = true;
    for (DWORD i = 0; i < dataBytes / 2 && units[i] != L'\0'; ++i) {
      if (units[i] >= 128 || text.size() >= 511) {
        ascii = false;
        break;
      }
      text += static_cast<char>(units[i]);
    }
    if (ascii && text.rfind("COM", 0) == 0) ports.push_back(std::move(text));
  }
  return ports;
}

}  // namespace nubo
