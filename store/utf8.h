#pragma once

#include <string>
#include <string_view>

namespace nubo {

// True when text is well-formed UTF-8, (no overlong forms, surrogates or
// values above U+10FFFF). NUL bytes are allowed.
bool IsValidUtf8(std::string_view text);

// Well-formed text unchanged; otherwise every maximal ill-formed subpart
// becomes U+FFFD, the way the Unicode standard recommends.
std::string RepairUtf8(std::string_view text);

}  // namespace nubo
