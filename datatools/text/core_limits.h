#pragma once

#include <cstdint>

namespace nubo::text_core {

// Results are signed 32-bit counts: no routine writes more than this many
// bytes, so a count can never wrap.
constexpr uint64_t kMaxCount = 0x7FFFFFFF;

// The part of a caller's capacity that a routine may fill.
constexpr uint64_t UsableCapacity(uint64_t capacity) {
  return capacity < kMaxCount ? capacity : kMaxCount;
}

}  // namespace nubo::text_core
