#include "debuggers/network/send_hex.h"

#include "store/hex_digits.h"
#include "debuggers/network/network_constants.h"

namespace nubo {
namespace {

// White space as the C library classifies it in the "C" locale, and the
// separators "-", ":" and "_".
bool IsSkipped(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == '-' ||
         c == ':' || c == '_';
}

}  // namespace

bool NetworkParseSendHex(std::string_view text, std::vector<uint8_t>& bytes, std::string& error) {
  std::vector<uint8_t> parsed;
  bool anyDigit = false;
  bool prefixSkipped = false;
  int high = -1;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (IsSkipped(c)) continue;
    if (!anyDigit && !prefixSkipped && c == '0' && i + 1 < text.size() &&
        (text[i + 1] == 'x' || text[i + 1] == 'X')) {
      prefixSkipped = true;
      ++i;
      continue;
    }
    const int value = HexDigitValue(c);
    if (value < 0) {
      error = network::text::kHexInvalidCharacter;
      return false;
    }
    anyDigit = true;
    if (high < 0) {
      high = value;
      continue;
    }
    if (parsed.size() >= network::kMaxSendBytes) {
      error = network::text::kSendTooLarge;
      return false;
    }
    parsed.push_back(static_cast<uint8_t>((high << 4) | value));
    high = -1;
  }
  if (high >= 0) {
    error = network::text::kHexOddDigits;
    return false;
  }
  if (parsed.empty()) {
    error = network::text::kHexEmpty;
    return false;
  }
  bytes = std::move(parsed);
  return true;
}

}  // namespace nubo
