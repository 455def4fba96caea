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
// (values are kept in name order); removed again at the end.
class DeviceMapValues {
 public:
  DeviceMapValues() {
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, nullptr, REG_OPTION_VOLATILE,
                    KEY_SET_VALUE | KEY_QUERY_VALUE, nullptr, key_.out(), nullptr);
  }
  ~DeviceMapValues() {
    for (const std::wstring& name : names_) RegDeleteValueW(key_.get(), name.c_str());
  }

  // A string value whose data ends with its terminator unless told otherwise.
  bool Add(std::wstring name, const std::wstring& data, DWORD type = REG_SZ, bool terminated = true) {
    name = L"\\Device\\ZNubo" + name;
    names_.push_back(name);
    // The system counts a NUL that directly follows the data in; a unit
    // other than NUL there keeps the data unterminated.
    const std::wstring buffer = terminated ? data : data + L'~';
    const DWORD bytes = static_cast<DWORD>((data.size() + (terminated ? 1 : 0)) * sizeof(wchar_t));
    return RegSetValueExW(key_.get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(buffer.c_str()), bytes) ==
           ERROR_SUCCESS;
  }

  DWORD Count() const {
    DWORD values = 0;
    RegQueryInfoKeyW(key_.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                     nullptr);
    return values;
  }

 private:
  RegistryKey key_;
  std::vector<std::wstring> names_;
};

std::vector<std::string> ModbusPorts() {
  testing::ModbusSession session;
  return session.Call("ports")["payload"]["ports"].get<std::vector<std::string>>();
}

std::vector<std::string> SerialPorts() {
  std::vector<SerialPortInfo> found(4096);
  const int count = SerialPortEnumerate(found.data(), found.size(), nullptr);
  std::vector<std::string> ports;
  for (int i = 0; i < count; ++i) ports.emplace_back(found[i].portName);
  return ports;
}

template <typename T>
std::vector<T> Joined(std::vector<T> first, const std::vector<T>& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

TEST(ModbusPorts, ListsAsciiTextsThatBeginWithComWhereTheSerialListingIsStricter) {
  const std::vector<std::string> modbusBefore = ModbusPorts();
  const std::vector<std::string> serialBefore = SerialPorts();
  const std::wstring com511 = L"COM" + std::wstring(508, L'A');  // 511 characters
  struct Case {
    std::wstring name;
    std::wstring data;
    DWORD type;
    bool terminated;
    bool listed;
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
      {L"k", L" COM3", REG_SZ, true, false},
      {L"l", L"COM6", REG_EXPAND_SZ, true, false},
      {L"m", L"COM8", REG_MULTI_SZ, true, false},
      {L"n" + std::wstring(497, L'n'), L"COM11", REG_SZ, true, true},   // a name of 511 units
      {L"n" + std::wstring(498, L'n'), L"COM12", REG_SZ, true, false},  // 512 units
  };
  std::vector<std::string> listed;
  {
    DeviceMapValues values;
    for (const Case& c : cases) {
      ASSERT_TRUE(values.Add(c.name, c.data, c.type, c.terminated));
      if (c.listed) listed.emplace_back(c.data.begin(), c.data.end());
    }
    EXPECT_EQ(ModbusPorts(), Joined(modbusBefore, listed));
    EXPECT_EQ(SerialPorts(), Joined(serialBefore, {"COM65535", "COM5"}));
  }
  EXPECT_EQ(ModbusPorts(), modbusBefore);
}

// The Modbus listing reads 1,024 indexes, the serial one 4,096.
TEST(ModbusPorts, ReadsAtMost1024Indexes) {
  const std::vector<std::string> modbusBefore = ModbusPorts();
  const std::vector<std::string> serialBefore = SerialPorts();
  DeviceMapValues values;
  const DWORD present = values.Count();
  ASSERT_LT(present, 1024u);
  // Not a port name: a bound on the number of ports instead of indexes
  // would then list the last value too.
  ASSERT_TRUE(values.Add(std::to_wstring(10000 + present), L"none"));
  std::vector<std::string> added;
  for (DWORD index = present + 1; index <= 1024; ++index) {
    added.push_back("COM" + std::to_string(1000 + index));
    ASSERT_TRUE(values.Add(std::to_wstring(10000 + index), std::wstring(added.back().begin(), added.back().end())));
  }
  ASSERT_EQ(values.Count(), 1025u);
  EXPECT_EQ(ModbusPorts(), Joined(modbusBefore, std::vector<std::string>(added.begin(), added.end() - 1)));
  EXPECT_EQ(SerialPorts(), Joined(serialBefore, added));
}

}  // namespace
}  // namespace nubo
