#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace nubo {

// A character picture taken out of a data URL.
struct DecodedCharacterImage {
  std::string extension;  // ".png" or ".webp"
  std::vector<uint8_t> bytes;
};

// Accepts "data:image/png;base64," or "data:image/webp;base64," (byte for
// byte), at most 4 MiB decoded, and bytes that carry the format's signature.
// Raises a standard runtime error with the user's sentence otherwise.
DecodedCharacterImage DecodeCharacterImageDataUrl(std::string_view dataUrl);

}  // namespace nubo
