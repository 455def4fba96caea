#pragma once

#include <windows.h>

#include <utility>

namespace nubo {

// Owns an open registry key.
class RegistryKey {
 public:
  RegistryKey() = default;
  ~RegistryKey() { reset(); }
  RegistryKey(RegistryKey&& other) noexcept : key_(std::exchange(other.key_, nullptr)) {}
  RegistryKey& operator=(RegistryKey&& other) noexcept {
    if (this != &other) {
      reset();
      key_ = std::exchange(other.key_, nullptr);
    }
    return *this;
  }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  // Opens for reading in the 64-bit view, else in the process's own view.
  bool OpenForRead(HKEY root, const wchar_t* path) {
    reset();
    if (RegOpenKeyExW(root, path, 0, KEY_READ | KEY_WOW64_64KEY, &key_) == ERROR_SUCCESS) return true;
    key_ = nullptr;
    if (RegOpenKeyExW(root, path, 0, KEY_READ, &key_) == ERROR_SUCCESS) return true;
    key_ = nullptr;
    return false;
  }

  HKEY get() const { return key_; }
  explicit operator bool() const { return key_ != nullptr; }
  void reset() {
    if (key_ != nullptr) RegCloseKey(key_);
    key_ = nullptr;
  }

 private:
  HKEY key_ = nullptr;
};

}  // namespace nubo
