#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "store/hex_digits.h"

namespace nubo {

// The decimal digits of value, right-aligned at the end of digits; returns
// how many there are.
inline std::size_t PacketDecimalDigits(std::uint64_t value, char (&digits)[20]) {
  std::size_t count = 0;
  do {
    digits[sizeof digits - 1 - count] = static_cast<char>('0' + value % 10);
    value /= 10;
    ++count;
  } while (value != 0);
  return count;
}

// Writes text into a fixed char array of at least one byte. The array holds a
// NUL-terminated text after every call; what does not fit is cut off. Numbers
// are formatted at their full 64-bit width on every platform.
class PacketTextWriter {
 public:
  PacketTextWriter(char* buffer, std::size_t size) : buffer_(buffer), limit_(size - 1) {
    buffer_[0] = '\0';
  }

  PacketTextWriter(const PacketTextWriter&) = delete;
  PacketTextWriter& operator=(const PacketTextWriter&) = delete;

  PacketTextWriter& Text(std::string_view text) {
    std::size_t count = limit_ - length_;
    if (text.size() < count) count = text.size();
    std::memcpy(buffer_ + length_, text.data(), count);
    length_ += count;
    buffer_[length_] = '\0';
    return *this;
  }

  PacketTextWriter& Char(char c) {
    if (length_ < limit_) {
      buffer_[length_++] = c;
      buffer_[length_] = '\0';
    }
    return *this;
  }

  PacketTextWriter& Decimal(std::uint64_t value) {
    char digits[20];
    const std::size_t count = PacketDecimalDigits(value, digits);
    return Digits(digits + sizeof digits - count, count);
  }

  // At least minDigits digits, leading zeros added; upper- or lower-case.
  PacketTextWriter& Hex(std::uint64_t value, std::size_t minDigits, bool upper = true) {
    const char* alphabet = upper ? kUpperHexDigits : kLowerHexDigits;
    char digits[16];
    std::size_t count = 0;
    do {
      digits[sizeof digits - 1 - count] = alphabet[value & 0xF];
      value >>= 4;
      ++count;
    } while ((value != 0 || count < minDigits) && count < sizeof digits);
    return Digits(digits + sizeof digits - count, count);
  }

  std::string_view View() const { return std::string_view(buffer_, length_); }

 private:
  // A byte loop: a handful of digits costs less than a call to memcpy.
  PacketTextWriter& Digits(const char* digits, std::size_t count) {
    for (std::size_t i = 0; i < count && length_ < limit_; ++i) buffer_[length_++] = digits[i];
    buffer_[length_] = '\0';
    return *this;
  }

  char* buffer_;
  std::size_t limit_;
  std::size_t length_ = 0;
};

// Copies text into a fixed char array member, cut to its size less one byte.
template <std::size_t Size>
inline void PacketCopyText(char (&member)[Size], std::string_view text) {
  const std::size_t count = text.size() < Size - 1 ? text.size() : Size - 1;
  std::memcpy(member, text.data(), count);
  member[count] = '\0';
}

}  // namespace nubo
