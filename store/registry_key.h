#pragma once

#include <windows.h>

#include "store/unique_handle.h"

namespace nubo {

struct RegistryKeyTraits {
  using Value = HKEY;
  static Value Invalid() { return nullptr; }
  static bool IsValid(Value key) { return key != nullptr; }
  static void Close(Value key) { RegCloseKey(key); }
};

// Owns an open registry key.
class RegistryKey : public UniqueHandle<RegistryKeyTraits> {
 public:
  // Opens for reading in the 64-bit view, else in the process's own view.
  bool OpenForRead(HKEY root, const wchar_t* path) {
    return OpenForReadInView(root, path, KEY_WOW64_64KEY) || OpenForReadInView(root, path, 0);
  }

  // Opens for reading in exactly one view: KEY_WOW64_64KEY, KEY_WOW64_32KEY,
  // or 0 for the process's own. Nothing held on failure.
  bool OpenForReadInView(HKEY root, const wchar_t* path, REGSAM view) {
    HKEY key = nullptr;
    const bool opened = RegOpenKeyExW(root, path, 0, KEY_READ | view, &key) == ERROR_SUCCESS;
    reset(opened ? key : nullptr);
    return opened;
  }
};

}  // namespace nubo
