#pragma once

#include <string_view>
#include <vector>

namespace nubo {

// Base64 text of 1 to 64 Mi characters decoding to 1 byte to 32 MiB; the
// size is checked before the output is allocated. Throws the user's text.
std::vector<unsigned char> DecodeConvertedImageBase64(std::string_view base64);

}  // namespace nubo
