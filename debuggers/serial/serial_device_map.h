#pragma once

#include <windows.h>

#include "store/registry_key.h"

namespace nubo {

// Reads the values of the system's serial device map
// (HARDWARE\DEVICEMAP\SERIALCOMM) one by one in the registry's order. The
// serial debugger and the Modbus master list ports from it under bounds and
// rules of their own; this walk is what they share. Never throws.
class SerialDeviceMap {
 public:
  static constexpr DWORD kMaxNameUnits = 512;
  static constexpr DWORD kMaxDataBytes = 1024;

  struct Bounds {
    DWORD maxIndexes;  // value indexes read at most, counted from 0
    DWORD nameUnits;   // name buffer in UTF-16 units, at most kMaxNameUnits
    DWORD dataBytes;   // data buffer in bytes, at most kMaxDataBytes
  };

  explicit SerialDeviceMap(const Bounds& bounds);

  // Opens the map for querying its values: the system's status.
  LSTATUS Open();

  // Steps to the next value that was read whole within the buffers and is a
  // plain string, skipping the others; false at the no-more-items code, past
  // the index bound, or when the map is not open.
  bool Next();

  // The current value's name and data, both NUL-terminated within the
  // buffers.
  const wchar_t* name() const { return name_; }
  const wchar_t* data() const { return data_; }

 private:
  Bounds bounds_;
  RegistryKey key_;
  DWORD index_ = 0;
  wchar_t name_[kMaxNameUnits + 1] = {};
  wchar_t data_[kMaxDataBytes / sizeof(wchar_t) + 1] = {};
};

}  // namespace nubo
