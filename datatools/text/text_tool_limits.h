#pragma once

#include <cstddef>
#include <cstdint>

// Limits of the text tools.

namespace nubo::text_tools {

inline constexpr size_t kMaxInputBytes = 1048576;  // 1 MB; exactly this much is accepted
inline constexpr int64_t kMinUuidCount = 1;
inline constexpr int64_t kMaxUuidCount = 50;
inline constexpr int64_t kMinPasswordLength = 4;
inline constexpr int64_t kMaxPasswordLength = 128;
inline constexpr int kPasswordAttempts = 4;
// Random bytes per password attempt for each character (plus four).
inline constexpr size_t kPasswordRandomBytesPerCharacter = 16;
inline constexpr size_t kUuidV4RandomBytes = 16;
inline constexpr size_t kUuidV7RandomBytes = 10;

}  // namespace nubo::text_tools
