#pragma once

#include <windows.h>

#include <cstdint>

#include "store/win_handles.h"

namespace nubo::testing {

// port_owner_helper.exe, started from beside the test program; ended when
// this object goes if a test has not ended it.
class SpawnedHelper {
 public:
  static constexpr const char* kImageName = "port_owner_helper.exe";

  SpawnedHelper();
  ~SpawnedHelper();
  SpawnedHelper(const SpawnedHelper&) = delete;
  SpawnedHelper& operator=(const SpawnedHelper&) = delete;

  uint32_t pid() const { return pid_; }
  // True when the helper has ended within waitMilliseconds.
  bool HasEnded(DWORD waitMilliseconds) const;
  DWORD ExitCode() const;

 private:
  KernelHandle process_;
  uint32_t pid_ = 0;
};

}  // namespace nubo::testing
