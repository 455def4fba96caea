#pragma once

#include <cstddef>

// Limits of the character wardrobe, checked before any work starts.
namespace nubo::character_limits {

inline constexpr size_t kMaxCustomCharacters = 12;
inline constexpr size_t kNameMaxCodePoints = 20;
// A picture's data URL: its Base64 text, and the bytes it decodes to (4 MiB).
inline constexpr size_t kMaxBase64Characters = 8'388'608;
inline constexpr size_t kMaxDecodedBytes = 4'194'304;

}  // namespace nubo::character_limits
