#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "datatools/packet/packet_result.h"

// Readers of the packet inspector's text input: the start layer name and the
// hexadecimal dump. Plain functions, no allocation.
namespace nubo {

// 0 and the mode stored when text is exactly one of "auto", "ethernet", "ipv4",
// "ipv6", "tcp", "udp", "raw" (case-sensitive); -1 otherwise or for a null
// argument.
int PacketParseMode(std::string_view text, PacketMode* mode);
int PacketParseMode(const char* text, PacketMode* mode);

// Bytes needed for the dump of a text of n characters: n / 2 + 1.
std::size_t PacketHexCapacity(std::size_t n);

// Reads hexadecimal digits in pairs (high nibble first) into out. White space
// and "," "-" ":" "_" are skipped, also between the two digits of a byte, and
// so is a "0x" or "0X" before any byte. Returns the number of bytes written,
// or -1 (null argument), -2 (any other character), -3 (out full), -4 (a half
// byte left at the end).
std::int64_t PacketParseHex(const char* text, std::size_t n, std::uint8_t* out,
                            std::size_t capacity);

}  // namespace nubo
