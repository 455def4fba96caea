#include "datatools/packet/packet_text_input.h"

#include <cstring>

#include "datatools/packet/packet_decoder.h"

namespace nubo {
namespace {

constexpr int kSeparator = -1;
constexpr int kInvalid = -2;

// The nibble of a hexadecimal digit, kSeparator or kInvalid.
int Classify(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  switch (c) {
    case ' ': case '\t': case '\n': case '\v': case '\f': case '\r':
    case ',': case '-': case ':': case '_':
      return kSeparator;
    default:
      return kInvalid;
  }
}

}  // namespace

int PacketParseMode(const char* text, PacketMode* mode) {
  if (text == nullptr || mode == nullptr) return -1;
  for (std::uint32_t value = 0; value <= kPacketModeLast; ++value) {
    const auto candidate = static_cast<PacketMode>(value);
    if (std::strcmp(text, PacketModeName(candidate)) == 0) {
      *mode = candidate;
      return 0;
    }
  }
  return -1;
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
    const int nibble = Classify(static_cast<unsigned char>(c));
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
