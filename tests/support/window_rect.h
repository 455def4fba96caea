#pragma once

#include <windows.h>

namespace nubo::testing {

inline RECT WindowRect(HWND hwnd) {
  RECT rect{};
  GetWindowRect(hwnd, &rect);
  return rect;
}

}  // namespace nubo::testing
