#include "datatools/text/strict_integer.h"

namespace nubo {
namespace {

bool IsCSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

bool ParseStrictInt64(std::string_view text, int64_t& value) {
  size_t i = 0;
  const size_t n = text.size();
  while (i < n && IsCSpace(text[i])) ++i;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';

  const uint64_t limit = negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
  const size_t firstDigit = i;
  uint64_t magnitude = 0;
  bool outOfRange = false;
  for (; i < n && text[i] >= '0' && text[i] <= '9'; ++i) {
    const uint64_t digit = static_cast<uint64_t>(text[i] - '0');
    if (magnitude > (limit - digit) / 10) outOfRange = true;
    if (!outOfRange) magnitude = magnitude * 10 + digit;
  }
  if (i == firstDigit || outOfRange) return false;
  while (i < n && IsCSpace(text[i])) ++i;
  if (i != n) return false;

  if (!negative) {
    value = static_cast<int64_t>(magnitude);
  } else if (magnitude == limit) {
    value = INT64_MIN;
  } else {
    value = -static_cast<int64_t>(magnitude);
  }
  return true;
}

}  // namespace nubo
