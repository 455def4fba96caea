#pragma once

// Strict dotted-quad IPv4 text: exactly four parts "a.b.c.d", each of 1 to 3
// decimal digits with a value of at most 255, no leading zero in a part of two
// or three digits, nothing before or after.

#include <array>
#include <cstdint>
#include <string_view>

namespace nubo {

bool ParseStrictIpv4(std::string_view text, std::array<uint8_t, 4>& octets);

// 224.0.0.0/4.
bool IsIpv4MulticastOctets(const std::array<uint8_t, 4>& octets);

// A strict dotted quad inside 224.0.0.0/4.
bool IsIpv4MulticastText(std::string_view text);

// The interface text that leaves the choice to the system: empty or "0.0.0.0".
bool IsAnyInterfaceText(std::string_view text);

// 1 when the text is a strict dotted quad, with the address stored in network
// byte order; 0 otherwise (also for null or empty text or a null address).
int NetParseIpv4(const char* text, uint32_t* address);

// 1 when the text is a strict dotted quad inside 224.0.0.0/4, else 0.
int NetIsIpv4MulticastText(const char* text);

}  // namespace nubo
