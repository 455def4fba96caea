#include <array>
#include <cstring>

#include "datatools/text/core_limits.h"
#include "datatools/text/text_codec.h"

namespace nubo {
namespace {

using text_core::kMaxCount;
using text_core::UsableCapacity;

constexpr char kStandardAlphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char kUrlSafeAlphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

// Two output characters for every 12-bit value: one lookup per half group.
using PairTable = std::array<std::array<char, 2>, 4096>;

constexpr PairTable MakePairTable(const char* alphabet) {
  PairTable table{};
  for (unsigned value = 0; value < 4096; ++value) {
    table[value][0] = alphabet[value >> 6];
    table[value][1] = alphabet[value & 0x3F];
  }
  return table;
}

constexpr PairTable kStandardPairs = MakePairTable(kStandardAlphabet);
constexpr PairTable kUrlSafePairs = MakePairTable(kUrlSafeAlphabet);

// Decoding: one table per position in a group of four, each holding the
// character's six bits already shifted into place, so a whole group is four
// lookups and three ORs. Characters that are not Base64 digits carry a flag
// bit that sends the group to the careful path.
constexpr uint32_t kNotDigit = 0x80000000u;
using DecodeTable = std::array<uint32_t, 256>;

constexpr int DigitValue(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+' || c == '-') return 62;
  if (c == '/' || c == '_') return 63;
  return -1;
}

constexpr DecodeTable MakeDecodeTable(int shift) {
  DecodeTable table{};
  for (unsigned c = 0; c < 256; ++c) {
    const int value = DigitValue(static_cast<unsigned char>(c));
    table[c] = value < 0 ? kNotDigit : static_cast<uint32_t>(value) << shift;
  }
  return table;
}

constexpr DecodeTable kDecode0 = MakeDecodeTable(18);
constexpr DecodeTable kDecode1 = MakeDecodeTable(12);
constexpr DecodeTable kDecode2 = MakeDecodeTable(6);
constexpr DecodeTable kDecode3 = MakeDecodeTable(0);

bool IsSkipped(unsigned char c) { return c == '\t' || c == '\n' || c == '\r' || c == ' '; }

inline void PutGroup(const PairTable& pairs, const uint8_t* in, char* out) {
  const uint32_t bits = (uint32_t{in[0]} << 16) | (uint32_t{in[1]} << 8) | in[2];
  std::memcpy(out, pairs[bits >> 12].data(), 2);
  std::memcpy(out + 2, pairs[bits & 0xFFF].data(), 2);
}

}  // namespace

int64_t TextBase64EncodedLength(uint64_t n) {
  const uint64_t groups = n / 3 + (n % 3 != 0 ? 1 : 0);
  if (groups > static_cast<uint64_t>(INT64_MAX) / 4) return -1;
  return static_cast<int64_t>(groups * 4);
}

int32_t TextBase64Encode(const uint8_t* data, uint64_t n, char* out, uint64_t capacity,
                         bool urlSafe, bool padded) {
  if (data == nullptr || out == nullptr) return -1;
  const uint64_t fullGroups = n / 3;
  const uint64_t rest = n % 3;
  if (fullGroups > kMaxCount / 4) return -1;
  const uint64_t tail = rest == 0 ? 0 : (padded ? 4 : rest + 1);
  const uint64_t required = fullGroups * 4 + tail;
  if (required > UsableCapacity(capacity)) return -1;

  const PairTable& pairs = urlSafe ? kUrlSafePairs : kStandardPairs;
  const char* alphabet = urlSafe ? kUrlSafeAlphabet : kStandardAlphabet;
  const uint8_t* in = data;
  char* o = out;
  uint64_t groups = fullGroups;
  for (; groups >= 4; groups -= 4, in += 12, o += 16) {
    PutGroup(pairs, in, o);
    PutGroup(pairs, in + 3, o + 4);
    PutGroup(pairs, in + 6, o + 8);
    PutGroup(pairs, in + 9, o + 12);
  }
  for (; groups > 0; --groups, in += 3, o += 4) PutGroup(pairs, in, o);

  if (rest != 0) {
    const uint32_t bits = (uint32_t{in[0]} << 16) | (rest == 2 ? uint32_t{in[1]} << 8 : 0u);
    *o++ = alphabet[bits >> 18];
    *o++ = alphabet[(bits >> 12) & 0x3F];
    if (rest == 2) {
      *o++ = alphabet[(bits >> 6) & 0x3F];
    } else if (padded) {
      *o++ = '=';
    }
    if (padded) *o++ = '=';
  }
  return static_cast<int32_t>(o - out);
}

int64_t TextBase64DecodedCapacity(uint64_t n) {
  // n / 4 * 3 + 3 never exceeds 0.75 * 2^64 + 3, but it may exceed INT64_MAX.
  const uint64_t capacity = n / 4 * 3 + 3;
  if (capacity > static_cast<uint64_t>(INT64_MAX)) return -1;
  return static_cast<int64_t>(capacity);
}

int32_t TextBase64Decode(const char* text, uint64_t n, uint8_t* out, uint64_t capacity) {
  if (text == nullptr || out == nullptr) return -1;
  const auto* in = reinterpret_cast<const unsigned char*>(text);
  const unsigned char* const end = in + n;
  const uint64_t room = UsableCapacity(capacity);
  uint64_t written = 0;
  uint32_t bits = 0;
  int bitCount = 0;

  while (in < end) {
    if (bitCount == 0) {
      // Whole groups of four digits straight into three bytes.
      while (end - in >= 4 && room - written >= 3) {
        const uint32_t group = kDecode0[in[0]] | kDecode1[in[1]] | kDecode2[in[2]] | kDecode3[in[3]];
        if (group & kNotDigit) break;
        out[written] = static_cast<uint8_t>(group >> 16);
        out[written + 1] = static_cast<uint8_t>(group >> 8);
        out[written + 2] = static_cast<uint8_t>(group);
        written += 3;
        in += 4;
      }
      if (in == end) break;
    }
    const unsigned char c = *in++;
    const uint32_t value = kDecode3[c];
    if (value & kNotDigit) {
      if (IsSkipped(c)) continue;
      if (c == '=') break;
      return -1;
    }
    bits = (bits << 6) | value;
    bitCount += 6;
    if (bitCount >= 8) {
      bitCount -= 8;
      if (written == room) return -1;
      out[written++] = static_cast<uint8_t>(bits >> bitCount);
      bits &= (1u << bitCount) - 1;
    }
  }
  return static_cast<int32_t>(written);
}

}  // namespace nubo
