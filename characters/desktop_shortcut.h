#pragma once

#include <string>

namespace nubo {

// Gives the program's desktop shortcut the icon file. A shortcut that still
// bears an older name is first moved to the current name when no shortcut of
// that name exists. No shortcut is ever created; failures are silent.
void UpdateDesktopShortcutIcon(const std::wstring& iconPath);

// The same, in the given folder instead of the user's desktop.
void UpdateShortcutIconInFolder(const std::wstring& folder, const std::wstring& iconPath);

}  // namespace nubo
