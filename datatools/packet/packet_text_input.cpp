#include "datatools/packet/packet_text_input.h"

#include <initializer_list>

#include "datatools/packet/packet_decoder.h"
#include "store/hex_digits.h"

namespace nubo {
namespace {

constexpr std::int8_t kSeparator = -1;
constexpr std::int8_t kInvalid = -2;

// The nibble of every character, or kSeparator or kInvalid.
struct CharacterTable {
  std::int8_t classes[256];

  constexpr CharacterTable() : classes() {
    for (int c = 0; c < 256; ++c) {
      const int digit = HexDigitValue(static_cast<char>(c));
      classes[c] = digit >= 0 ? static_cast<std::int8_t>(digit) : kInvalid;
    }
    for (char c : {' ', '\t', '\n', '\v', '\f', '\r', ',', '-', ':', '_'}) {
      classes[static_cast<unsigned char>(c)] = kSeparator;
    }
  }
};
constexpr CharacterTable kCharacters;

}  // namespace

int PacketParseMode(std::string_view text, PacketMode* mode) {
  if (mode == nullptr) return -1;
  for (std::uint32_t value = 0; value <= kPacketModeLast; ++value) {
    const auto candidate = static_cast<PacketMode>(value);
    if (text == PacketModeName(candidate)) {
      *mode = candidate;
      return 0;
    }
  }
  return -1;
}

int PacketParseMode(const char* text, PacketMode* mode) {
  if (text == nullptr) return -1;
  return PacketParseMode(std::string_view(text), mode);
}

std::size_t PacketHexCapacity(std::size_t n) { return n / 2 + 1; }

std::int64_t PacketParseHex(const char* text, std::size_t n, std::uint8_t* out,
                            std::size_t capacity) {
  if (text == nullptr || out == nullptr) return -1;
  std::size_t count = 0;
  int high = -1;  // the pending half byte
  for (std::size_t i = 0; i < n; ++i) {
    const char c = text[i];
    if (high < 0 && c == '0' && i + 1 < n && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
      ++i;
      continue;
    }
    const int nibble = kCharacters.classes[static_cast<unsigned char>(c)];
    if (nibble == kSeparator) continue;
    if (nibble == kInvalid) return -2;
    if (high < 0) {
      high = nibble;
      continue;
    }
    if (count >= capacity) return -3;
    out[count++] = static_cast<std::uint8_t>((high << 4) | nibble);
    high = -1;
  }
  if (high >= 0) return -4;
  return static_cast<std::int64_t>(count);
}

}  // namespace nubo
