#include "store/text_rules.h"

namespace nubo {
namespace {

constexpr size_t kIdentifierMaxBytes = 64;

bool IsAsciiWhiteSpace(unsigned char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

bool IsValidIdentifier(std::string_view text) {
  if (text.empty() || text.size() > kIdentifierMaxBytes) return false;
  for (unsigned char c : text) {
    const bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                         (c >= '0' && c <= '9') || c == '-' || c == '_';
    if (!allowed) return false;
  }
  return true;
}

bool IsValidDisplayName(std::string_view text, size_t maxCodePoints) {
  if (text.empty() || maxCodePoints == 0 || text.size() > 4 * maxCodePoints) return false;
  bool hasVisible = false;
  size_t codePoints = 0;
  for (unsigned char c : text) {
    if (c < 0x20 || c == 0x7F) return false;
    if (!IsAsciiWhiteSpace(c)) hasVisible = true;
    if (c < 0x80 || c > 0xBF) ++codePoints;
  }
  return hasVisible && codePoints <= maxCodePoints;
}

}  // namespace nubo
