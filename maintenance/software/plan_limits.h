#pragma once

#include <cstddef>
#include <cstdint>

namespace nubo {

// A locked plan authorises cleanup and reveal for this long after the scan
// or the refresh that renewed it.
inline constexpr uint64_t kPlanLifetimeMs = 900000;
// Random bytes in a plan token (two hexadecimal digits each).
inline constexpr size_t kPlanTokenBytes = 16;

// Whether a plan made at createdTick is still within its lifetime at now.
// 0 means no plan; a clock behind the plan counts as expired.
constexpr bool IsWithinPlanLifetime(uint64_t createdTick, uint64_t now) {
  return createdTick != 0 && now >= createdTick && now - createdTick <= kPlanLifetimeMs;
}

}  // namespace nubo
