#include <array>
#include <string_view>

#include "datatools/text/core_limits.h"
#include "store/hex_digits.h"
#include "datatools/text/text_codec.h"

namespace nubo {
namespace {

using text_core::UsableCapacity;

constexpr uint8_t kKeptInComponent = 1;
constexpr uint8_t kKeptInUrl = 2;

constexpr std::array<uint8_t, 256> MakeUrlClasses() {
  std::array<uint8_t, 256> table{};
  constexpr std::string_view unreserved =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-._~";
  constexpr std::string_view reserved = "!#$&'()*+,/:;=?@[]";
  for (char c : unreserved) table[static_cast<unsigned char>(c)] = kKeptInComponent | kKeptInUrl;
  for (char c : reserved) table[static_cast<unsigned char>(c)] = kKeptInUrl;
  return table;
}

constexpr std::array<uint8_t, 256> kUrlClasses = MakeUrlClasses();

}  // namespace

int64_t TextUrlEncodedCapacity(uint64_t n) {
  if (n > static_cast<uint64_t>(INT64_MAX) / 3) return -1;
  return static_cast<int64_t>(n * 3);
}

int32_t TextUrlEncode(const char* text, uint64_t n, char* out, uint64_t capacity,
                      bool componentMode) {
  if (text == nullptr || out == nullptr) return -1;
  const auto* in = reinterpret_cast<const unsigned char*>(text);
  const uint8_t keep = componentMode ? kKeptInComponent : kKeptInUrl;
  const uint64_t room = UsableCapacity(capacity);
  uint64_t written = 0;
  for (uint64_t i = 0; i < n; ++i) {
    const unsigned char c = in[i];
    if (kUrlClasses[c] & keep) {
      if (written == room) return -1;
      out[written++] = static_cast<char>(c);
    } else {
      if (room - written < 3) return -1;
      out[written] = '%';
      out[written + 1] = kUpperHexDigits[c >> 4];
      out[written + 2] = kUpperHexDigits[c & 0xF];
      written += 3;
    }
  }
  return static_cast<int32_t>(written);
}

int32_t TextUrlDecode(const char* text, uint64_t n, uint8_t* out, uint64_t capacity) {
  if (text == nullptr || out == nullptr) return -1;
  const uint64_t room = UsableCapacity(capacity);
  uint64_t written = 0;
  for (uint64_t i = 0; i < n; ++i) {
    uint8_t byte = static_cast<uint8_t>(text[i]);
    if (byte == '+') {
      byte = ' ';
    } else if (byte == '%') {
      if (n - i < 3) return -1;
      const int high = HexDigitValue(text[i + 1]);
      const int low = HexDigitValue(text[i + 2]);
      if (high < 0 || low < 0) return -1;
      byte = static_cast<uint8_t>((high << 4) | low);
      i += 2;
    }
    if (written == room) return -1;
    out[written++] = byte;
  }
  return static_cast<int32_t>(written);
}

}  // namespace nubo
