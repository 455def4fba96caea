#include "store/utf8.h"

#include <cstddef>

namespace nubo {
namespace {

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

// Length of the well-formed sequence that starts at text[start], or 0 when
// none starts there; `prefix` receives how many bytes form the longest
// ill-formed start (at least 1), which is replaced as one unit.
size_t SequenceLength(std::string_view text, size_t start, size_t& prefix) {
  const auto lead = static_cast<unsigned char>(text[start]);
  prefix = 1;
  if (lead < 0x80) return 1;

  size_t length = 0;
  unsigned char secondLow = 0x80;
  unsigned char secondHigh = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) secondLow = 0xA0;   // overlong
    if (lead == 0xED) secondHigh = 0x9F;  // surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) secondLow = 0x90;   // overlong
    if (lead == 0xF4) secondHigh = 0x8F;  // above U+10FFFF
  } else {
    return 0;
  }

  for (size_t i = 1; i < length; ++i) {
    if (start + i >= text.size()) return 0;
    const auto byte = static_cast<unsigned char>(text[start + i]);
    const unsigned char low = i == 1 ? secondLow : 0x80;
    const unsigned char high = i == 1 ? secondHigh : 0xBF;
    if (byte < low || byte > high) return 0;
    prefix = i + 1;
  }
  return length;
}

}  // namespace

bool IsValidUtf8(std::string_view text) {
  size_t position = 0;
  while (position < text.size()) {
    size_t prefix = 0;
    const size_t length = SequenceLength(text, position, prefix);
    if (length == 0) return false;
    position += length;
  }
  return true;
}

std::string RepairUtf8(std::string_view text) {
  if (IsValidUtf8(text)) return std::string(text);
  std::string repaired;
  repaired.reserve(text.size() + 8);
  size_t position = 0;
  while (position < text.size()) {
    size_t prefix = 0;
    const size_t length = SequenceLength(text, position, prefix);
    if (length == 0) {
      repaired.append(kReplacementCharacter);
      position += prefix;
    } else {
      repaired.append(text.substr(position, length));
      position += length;
    }
  }
  return repaired;
}

}  // namespace nubo
