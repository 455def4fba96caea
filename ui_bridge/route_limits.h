#pragma once

#include <cstddef>

// Limits the routes check before any work starts, in bytes of UTF-8.
namespace nubo::route_limits {

inline constexpr size_t kDeviceTypeMaxBytes = 40;
// The whole message text of a device or software request.
inline constexpr size_t kGatedMessageMaxBytes = 1'048'576;
inline constexpr size_t kImageRequestIdMaxBytes = 96;

}  // namespace nubo::route_limits
