#include "store/hex_text.h"

#include "store/hex_digits.h"

namespace nubo {

std::string ToLowerHex(const uint8_t* data, size_t size) {
  std::string text(size * 2, '\0');
  if (size != 0) WriteLowerHex(data, static_cast<unsigned>(size), text.data());
  return text;
}

std::string ToUpperHexPairs(const uint8_t* data, size_t size) {
  std::string text;
  if (size == 0) return text;
  text.reserve(size * 3 - 1);
  for (size_t i = 0; i < size; ++i) {
    if (i != 0) text += ' ';
    text += kUpperHexDigits[data[i] >> 4];
    text += kUpperHexDigits[data[i] & 0xF];
  }
  return text;
}

}  // namespace nubo
