// The Modbus master's "ports" listing against values that the test adds to
// the prefix's serial device map, beside the serial debugger's stricter
// listing of the same map.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "debuggers/serial/serial_port.h"
#include "store/registry_key.h"
#include "tests/debuggers/modbus/support/modbus_session.h"

namespace nubo {
namespace {

// Values of the test's own, named to follow the prefix's "\Device\SerialN"
// (the registry keeps values in name order), removed again at the end.
struct DeviceMapValues {
  DeviceMapValues() {
    RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_SET_VALUE | KEY_QUERY_VALUE, key.out());
  }
  ~DeviceMapValues() {
    for (const std::wstring& name : names) RegDeleteValueW(key.get(), name.c_str());
  }
  // The system counts a NUL right after the data in: '~' stands there when
  // the data is to stay unterminated.
  void Add(const std::wstring& name, std::wstring data, DWORD type = REG_SZ, bool terminated = true) {
    names.push_back(L"\\Device\\ZNubo" + name);
    const auto bytes = static_cast<DWORD>((data.size() + (terminated ? 1 : 0)) * sizeof(wchar_t));
    if (!terminated) data += L'~';
    ASSERT_EQ(RegSetValueExW(key.get(), names.back().c_str(), 0, type, reinterpret_cast<const BYTE*>(data.c_str()),
                             bytes),
              ERROR_SUCCESS);
  }

  RegistryKey key;
  std::vector<std::wstring> names;
};

std::vector<std::string> ModbusPorts() {
  return testing::ModbusSession().Call("ports")["payload"]["ports"].get<std::vector<std::string>>();
}

std::vector<std::string> SerialPorts() {
  std::vector<SerialPortInfo> found(4096);
  const int count = SerialPortEnumerate(found.data(), found.size(), nullptr);
  std::vector<std::string> ports;
  for (int i = 0; i < count; ++i) ports.emplace_back(found[i].portName);
  return ports;
}

// Any ASCII text of at most 511 characters that begins with "COM", read with
// a 512-unit name and 1,024-byte data buffer from the first 1,024 indexes;
// the serial listing keeps COM1 to COM65535 within 4,096 indexes.
TEST(ModbusPorts, ListsAsciiTextsBeginningWithComFromTheFirst1024Indexes) {
  std::vector<std::string> modbus = ModbusPorts();
  std::vector<std::string> serial = SerialPorts();
  const std::wstring com511 = L"COM" + std::wstring(508, L'A');
  struct Case {
    std::wstring name, data;
    DWORD type;
    bool terminated, listed;
  };
  const Case cases[] = {
      {L"a", L"COM65535", REG_SZ, true, true},
      {L"b", L"COM1234567", REG_SZ, true, true},
      {L"c", L"COMX", REG_SZ, true, true},
      {L"d", com511, REG_SZ, true, true},
      {L"e", com511 + L"B", REG_SZ, true, false},   // 1,026 bytes
      {L"f", com511 + L"B", REG_SZ, false, false},  // 1,024 bytes, 512 characters
      {L"g", L"COM5", REG_SZ, false, true},
      {L"h", L"com7", REG_SZ, true, false},
      {L"i", L"COM9\u007f", REG_SZ, true, true},
      {L"j", L"COM9\u0080", REG_SZ, true, false},
      {L"k", L"COM6", REG_EXPAND_SZ, true, false},
      {L"l" + std::wstring(497, L'n'), L"COM11", REG_SZ, true, true},   // a name of 511 units
      {L"l" + std::wstring(498, L'n'), L"COM12", REG_SZ, true, false},  // 512 units
  };
  DeviceMapValues values;
  for (const Case& c : cases) {
    values.Add(c.name, c.data, c.type, c.terminated);
    if (c.listed) modbus.emplace_back(c.data.begin(), c.data.end());
  }
  serial.insert(serial.end(), {"COM65535", "COM5"});
  DWORD count = 0;
  RegQueryInfoKeyW(values.key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr, nullptr,
                   nullptr, nullptr);
  // Up to index 1,024: the last is read by the serial listing only.
  for (DWORD index = count; index <= 1024; ++index) {
    const std::string port = "COM" + std::to_string(1000 + index);
    values.Add(L"z" + std::to_wstring(10000 + index), std::wstring(port.begin(), port.end()));
    if (index < 1024) modbus.push_back(port);
    serial.push_back(port);
  }
  EXPECT_EQ(ModbusPorts(), modbus);
  EXPECT_EQ(SerialPorts(), serial);
}

}  // namespace
}  // namespace nubo
