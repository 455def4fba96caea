#pragma once

#include <cstddef>

namespace nubo {

// A registered uninstall command is at most this many UTF-16 units long.
inline constexpr size_t kUninstallCommandMaxUnits = 8191;
// Environment references are expanded into a buffer of this many units.
inline constexpr unsigned kUninstallExpandUnits = 32768;
// The system folder is read into a buffer of this many units.
inline constexpr unsigned kSystemFolderUnits = 260;

}  // namespace nubo
