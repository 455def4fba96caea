#pragma once

#include <cstdint>

namespace nubo {

// A tree is moved only when nothing in it lies more than this many levels
// below the selected path (65 levels with the path itself).
inline constexpr uint32_t kCleanupTreeMaxDepth = 64;

}  // namespace nubo
