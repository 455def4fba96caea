#pragma once

#include <windows.h>

namespace nubo::testing {

// Points the test program's own import of a system function (its import
// address table slot) at a replacement, and back again when destroyed. Code
// linked into the program calls the replacement meanwhile.
class ImportHook {
 public:
  ImportHook(const char* functionName, void* replacement);
  ~ImportHook();
  ImportHook(const ImportHook&) = delete;
  ImportHook& operator=(const ImportHook&) = delete;

  bool installed() const { return slot_ != nullptr; }
  void* original() const { return original_; }

 private:
  void** slot_ = nullptr;
  void* original_ = nullptr;
};

}  // namespace nubo::testing
