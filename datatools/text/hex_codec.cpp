#include <array>
#include <cstdint>

#include "datatools/text/core_limits.h"
#include "store/hex_digits.h"
#include "datatools/text/text_codec.h"

namespace nubo {
namespace {

using text_core::kMaxCount;
using text_core::UsableCapacity;

// Decoding classes: 0..15 digit values, then separators and the rest.
constexpr uint8_t kSeparator = 0x40;
constexpr uint8_t kInvalid = 0x80;

constexpr std::array<uint8_t, 256> MakeHexClasses() {
  std::array<uint8_t, 256> table{};
  for (unsigned c = 0; c < 256; ++c) {
    const int digit = HexDigitValue(static_cast<char>(c));
    if (digit >= 0) {
      table[c] = static_cast<uint8_t>(digit);
    } else if (c == '\t' || c == '\n' || c == '\r' || c == ' ' || c == '_') {
      table[c] = kSeparator;
    } else {
      table[c] = kInvalid;
    }
  }
  return table;
}

constexpr std::array<uint8_t, 256> kHexClasses = MakeHexClasses();

}  // namespace

int64_t TextHexEncodedLength(uint64_t n) {
  if (n > static_cast<uint64_t>(INT64_MAX) / 2) return -1;
  return static_cast<int64_t>(n * 2);
}

int32_t TextHexEncode(const uint8_t* data, uint64_t n, char* out, uint64_t capacity) {
  if (data == nullptr || out == nullptr) return -1;
  if (n > kMaxCount / 2 || n * 2 > UsableCapacity(capacity)) return -1;
  // n is at most kMaxCount / 2 here, so it fits the helper's unsigned count.
  WriteLowerHex(data, static_cast<unsigned>(n), out);
  return static_cast<int32_t>(n * 2);
}

int32_t TextHexDecode(const char* text, uint64_t n, uint8_t* out, uint64_t capacity) {
  if (text == nullptr || out == nullptr) return -1;
  const auto* in = reinterpret_cast<const unsigned char*>(text);
  const unsigned char* const end = in + n;
  if (n >= 2 && in[0] == '0' && (in[1] == 'x' || in[1] == 'X')) in += 2;
  const uint64_t room = UsableCapacity(capacity);
  uint64_t written = 0;
  int pending = -1;  // high nibble waiting for its partner

  while (in < end) {
    if (pending < 0) {
      // Runs of digit pairs without separators.
      while (end - in >= 2 && written < room) {
        const uint8_t high = kHexClasses[in[0]];
        const uint8_t low = kHexClasses[in[1]];
        if ((high | low) & (kSeparator | kInvalid)) break;
        out[written++] = static_cast<uint8_t>((high << 4) | low);
        in += 2;
      }
      if (in == end) break;
    }
    const uint8_t cls = kHexClasses[*in++];
    if (cls == kSeparator) continue;
    if (cls == kInvalid) return -1;
    if (pending < 0) {
      pending = cls;
      continue;
    }
    if (written == room) return -1;
    out[written++] = static_cast<uint8_t>((pending << 4) | cls);
    pending = -1;
  }
  if (pending >= 0) return -1;
  return static_cast<int32_t>(written);
}

}  // namespace nubo
