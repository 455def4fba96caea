#include "debuggers/serial/serial_device_map.h"

#include <algorithm>
#include <cstring>

namespace nubo {
namespace {

constexpr wchar_t kDeviceMapPath[] = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";

}  // namespace

SerialDeviceMap::SerialDeviceMap(const Bounds& bounds)
    : bounds_{bounds.maxIndexes, std::min(bounds.nameUnits, kMaxNameUnits),
              std::min(bounds.dataBytes, kMaxDataBytes)} {}

LSTATUS SerialDeviceMap::Open() {
  index_ = 0;
  return RegOpenKeyExW(HKEY_LOCAL_MACHINE, kDeviceMapPath, 0, KEY_QUERY_VALUE, key_.out());
}

bool SerialDeviceMap::Next() {
  while (key_ && index_ < bounds_.maxIndexes) {
    // Cleared for each value: data that the registry gives without a
    // terminator ends at the first unit it did not write, and the buffers
    // hold one unit more than the registry is offered.
    std::memset(name_, 0, sizeof(name_));
    std::memset(data_, 0, sizeof(data_));
    DWORD nameUnits = bounds_.nameUnits;
    DWORD dataBytes = bounds_.dataBytes;
    DWORD type = 0;
    const LSTATUS read = RegEnumValueW(key_.get(), index_++, name_, &nameUnits, nullptr, &type,
                                       reinterpret_cast<BYTE*>(data_), &dataBytes);
    if (read == ERROR_NO_MORE_ITEMS) return false;
    if (read == ERROR_SUCCESS && type == REG_SZ) return true;
  }
  return false;
}

}  // namespace nubo
