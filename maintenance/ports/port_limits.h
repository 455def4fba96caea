#pragma once

#include <cstddef>

namespace nubo::port_limits {

inline constexpr std::size_t kMaxProcessNameBytes = 260;
// Process ids 0 (idle) to 4 (System) are never ended.
inline constexpr unsigned kHighestSystemProcessId = 4;

}  // namespace nubo::port_limits
