#pragma once

#include <cstddef>

// Limits the routes check before any work starts, in bytes of UTF-8.
namespace nubo::route_limits {

inline constexpr size_t kDeviceTypeMaxBytes = 40;
// The whole message text of a device or software request.
inline constexpr size_t kGatedMessageMaxBytes = 1'048'576;
inline constexpr size_t kImageRequestIdMaxBytes = 96;
// A saved website shortcut address.
inline constexpr size_t kWebAddressMaxBytes = 2048;

// Software requests.
inline constexpr size_t kSoftwareIdMaxBytes = 2048;
inline constexpr size_t kSoftwareNameMaxBytes = 640;  // displayName and typedName
inline constexpr size_t kSoftwareNameMaxCodePoints = 160;
inline constexpr size_t kPlanTokenBytes = 32;
inline constexpr size_t kResidualPathMaxBytes = 32768;
inline constexpr size_t kSelectedPathsMax = 256;

}  // namespace nubo::route_limits
