#pragma once

#include <string>
#include <string_view>

namespace nubo {

// Strict: any invalid UTF-8 raises "Unable to convert UTF-8 text to UTF-16.".
std::wstring Utf8ToUtf16(std::string_view text);

// Lenient: unpaired surrogates become U+FFFD; fails only when the system
// conversion itself fails.
std::string Utf16ToUtf8(std::wstring_view text);

}  // namespace nubo
