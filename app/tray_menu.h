#pragma once

#include <string>
#include <vector>

namespace nubo {

inline constexpr unsigned kTrayMenuOpen = 1001;
inline constexpr unsigned kTrayMenuPet = 1002;
inline constexpr unsigned kTrayMenuQuit = 1003;

struct TrayMenuItem {
  unsigned id = 0;  // 0 for the separator
  std::wstring text;
  bool greyed = false;
};

// The tray menu as it is built at each opening.
std::vector<TrayMenuItem> BuildTrayMenu(const std::wstring& petName, bool dashboardShown,
                                        bool petVisible);

}  // namespace nubo
