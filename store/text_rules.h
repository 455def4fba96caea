#pragma once

#include <cstddef>
#include <string_view>

namespace nubo {

// Rules over UTF-8 byte strings shared by the requests and the stored records.

// 1 to 64 bytes of ASCII letters, digits, "-" and "_".
bool IsValidIdentifier(std::string_view text);
// No control bytes, at least one visible character, at most maxCodePoints
// code points (and 4 bytes per code point).
bool IsValidDisplayName(std::string_view text, size_t maxCodePoints);

}  // namespace nubo
