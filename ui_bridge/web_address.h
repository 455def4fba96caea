#pragma once

#include <string_view>

namespace nubo {

// An http or https address without user name or password, at most 2048
// bytes; an empty text is valid (no address).
bool IsValidWebUrl(std::string_view text);

// Four dot-separated parts of 1 to 3 digits, each below 256.
bool IsValidIpv4Literal(std::string_view text);

// Hexadecimal groups with at most one "::" and an optional final dotted quad.
bool IsValidIpv6Literal(std::string_view text);

}  // namespace nubo
