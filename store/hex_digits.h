#pragma once

#include <array>
#include <cstdint>

namespace nubo {

constexpr char kLowerHexDigits[] = "0123456789abcdef";
constexpr char kUpperHexDigits[] = "0123456789ABCDEF";

// -1 for a character that is not a hexadecimal digit of either case.
constexpr int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The two lower-case digits of every byte value, high nibble first.
constexpr std::array<std::array<char, 2>, 256> MakeLowerHexPairs() {
  std::array<std::array<char, 2>, 256> table{};
  for (unsigned b = 0; b < 256; ++b) {
    table[b][0] = kLowerHexDigits[b >> 4];
    table[b][1] = kLowerHexDigits[b & 0xF];
  }
  return table;
}

inline constexpr std::array<std::array<char, 2>, 256> kLowerHexPairs = MakeLowerHexPairs();

// Writes 2 * n lower-case digits.
inline void WriteLowerHex(const uint8_t* bytes, unsigned n, char* out) {
  for (unsigned i = 0; i < n; ++i) {
    out[2 * i] = kLowerHexPairs[bytes[i]][0];
    out[2 * i + 1] = kLowerHexPairs[bytes[i]][1];
  }
}

}  // namespace nubo
