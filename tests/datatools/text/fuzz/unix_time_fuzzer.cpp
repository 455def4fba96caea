// Timestamps: the strict integer parse against the C library's conversion,
// and the UTC formatter over any 64-bit value in both units, read back with
// an independent calendar conversion.

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "datatools/text/generators.h"
#include "datatools/text/strict_integer.h"
#include "tests/datatools/text/fuzz/fuzz_check.h"

namespace {

constexpr int64_t kFirstSecond = -62167219200;
constexpr int64_t kLastSecond = 253402300799;

bool IsCSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The reference parse, for texts without NUL bytes.
bool ReferenceParse(const std::string& text, int64_t& value) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  const long long parsed = std::strtoll(text.c_str(), &end, 10);
  if (errno == ERANGE || end == text.c_str()) return false;
  // strtoll reports no digits by leaving end at the start; a sign alone too.
  bool digit = false;
  for (const char* p = text.c_str(); p < end; ++p) digit = digit || (*p >= '0' && *p <= '9');
  if (!digit) return false;
  for (; *end != '\0'; ++end) {
    if (!IsCSpace(*end)) return false;
  }
  value = parsed;
  return true;
}

int64_t ReadNumber(const char* text, int digits) {
  int64_t value = 0;
  for (int i = 0; i < digits; ++i) {
    NUBO_FUZZ_CHECK(text[i] >= '0' && text[i] <= '9');
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

// Days from 1970-01-01 of a proleptic Gregorian date, counted by whole years
// and months (no era arithmetic), for the years 0 to 9999.
int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day) {
  const auto leap = [](int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; };
  static const int kMonthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  NUBO_FUZZ_CHECK(month >= 1 && month <= 12);
  const int64_t monthLength = kMonthDays[month - 1] + (month == 2 && leap(year) ? 1 : 0);
  NUBO_FUZZ_CHECK(day >= 1 && day <= monthLength);
  // Whole years from year 0; leap years in [0, year).
  const auto leapsBefore = [](int64_t y) { return y == 0 ? 0 : (y - 1) / 4 - (y - 1) / 100 + (y - 1) / 400 + 1; };
  int64_t days = year * 365 + leapsBefore(year);
  for (int64_t m = 1; m < month; ++m) days += kMonthDays[m - 1] + (m == 2 && leap(year) ? 1 : 0);
  days += day - 1;
  return days - 719528;  // 0000-01-01 to 1970-01-01
}

void CheckFormat(int64_t value, int unit) {
  char out[25];
  std::memset(out, '#', sizeof out);
  const int32_t status = nubo::TextFormatUnixTime(value, unit, out, sizeof out);
  const bool inRange = unit == nubo::kUnixTimeSeconds
                           ? value >= kFirstSecond && value <= kLastSecond
                           : value >= kFirstSecond * 1000 && value <= kLastSecond * 1000 + 999;
  if (!inRange) {
    NUBO_FUZZ_CHECK(status == -1);
    return;
  }
  NUBO_FUZZ_CHECK(status == 24);
  NUBO_FUZZ_CHECK(out[24] == '\0');
  NUBO_FUZZ_CHECK(out[4] == '-' && out[7] == '-' && out[10] == 'T' && out[13] == ':' &&
                  out[16] == ':' && out[19] == '.' && out[23] == 'Z');
  const int64_t hour = ReadNumber(out + 11, 2);
  const int64_t minute = ReadNumber(out + 14, 2);
  const int64_t second = ReadNumber(out + 17, 2);
  NUBO_FUZZ_CHECK(hour < 24 && minute < 60 && second < 60);
  const int64_t seconds = DaysFromCivil(ReadNumber(out, 4), ReadNumber(out + 5, 2),
                                        ReadNumber(out + 8, 2)) * 86400 +
                          hour * 3600 + minute * 60 + second;
  const int64_t millis = ReadNumber(out + 20, 3);
  if (unit == nubo::kUnixTimeSeconds) {
    NUBO_FUZZ_CHECK(millis == 0 && seconds == value);
  } else {
    NUBO_FUZZ_CHECK(seconds * 1000 + millis == value);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  int64_t parsed = 0;
  const bool accepted = nubo::ParseStrictInt64(text, parsed);
  if (text.find('\0') != std::string::npos) {
    NUBO_FUZZ_CHECK(!accepted);  // every byte counts, a NUL never ends the text
  } else {
    int64_t reference = 0;
    const bool referenceAccepted = ReferenceParse(text, reference);
    NUBO_FUZZ_CHECK(accepted == referenceAccepted);
    if (accepted) NUBO_FUZZ_CHECK(parsed == reference);
  }
  if (accepted) {
    CheckFormat(parsed, nubo::kUnixTimeSeconds);
    CheckFormat(parsed, nubo::kUnixTimeMilliseconds);
  }
  // The raw bytes as a value reach the extremes of 64 bits.
  if (size >= 8) {
    int64_t raw = 0;
    std::memcpy(&raw, data, 8);
    CheckFormat(raw, nubo::kUnixTimeSeconds);
    CheckFormat(raw, nubo::kUnixTimeMilliseconds);
    // And scaled into the accepted range, to exercise every calendar day.
    const uint64_t span = static_cast<uint64_t>(kLastSecond - kFirstSecond) + 1;
    CheckFormat(kFirstSecond + static_cast<int64_t>(static_cast<uint64_t>(raw) % span),
                nubo::kUnixTimeSeconds);
    CheckFormat(kFirstSecond * 1000 + static_cast<int64_t>(static_cast<uint64_t>(raw) % (span * 1000)),
                nubo::kUnixTimeMilliseconds);
  }
  char small[25];
  NUBO_FUZZ_CHECK(nubo::TextFormatUnixTime(0, nubo::kUnixTimeSeconds, small, 24) == -1);
  return 0;
}
