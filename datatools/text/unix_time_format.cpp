#include "datatools/text/generators.h"

namespace nubo {
namespace {

// 0000-01-01T00:00:00 and 9999-12-31T23:59:59 in Unix seconds. Values are
// checked against these before any arithmetic, so no product or sum below
// can leave 64 bits.
constexpr int64_t kFirstSecond = -62167219200;
constexpr int64_t kLastSecond = 253402300799;

int64_t FloorDiv(int64_t value, int64_t divisor) {
  const int64_t quotient = value / divisor;
  return (value % divisor != 0 && value < 0) ? quotient - 1 : quotient;
}

void PutDigits(char* out, int64_t value, int width) {
  for (int i = width - 1; i >= 0; --i) {
    out[i] = static_cast<char>('0' + value % 10);
    value /= 10;
  }
}

}  // namespace

int32_t TextFormatUnixTime(int64_t value, int unit, char* out, uint64_t capacity) {
  if (out == nullptr || capacity < kUnixTimeTextCapacity) return -1;
  if (unit != kUnixTimeSeconds && unit != kUnixTimeMilliseconds) return -1;

  int64_t seconds = value;
  int64_t milliseconds = 0;
  if (unit == kUnixTimeMilliseconds) {
    if (value < kFirstSecond * 1000 || value > kLastSecond * 1000 + 999) return -1;
    seconds = FloorDiv(value, 1000);
    milliseconds = value - seconds * 1000;
  } else if (value < kFirstSecond || value > kLastSecond) {
    return -1;
  }

  const int64_t days = FloorDiv(seconds, 86400);
  const int64_t timeOfDay = seconds - days * 86400;

  // Days since 1970-01-01 to a proleptic Gregorian date, counted in 400-year
  // eras that begin on 0000-03-01.
  const int64_t shifted = days + 719468;
  const int64_t era = FloorDiv(shifted, 146097);
  const int64_t dayOfEra = shifted - era * 146097;
  const int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t monthFromMarch = (5 * dayOfYear + 2) / 153;
  const int64_t day = dayOfYear - (153 * monthFromMarch + 2) / 5 + 1;
  const int64_t month = monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9;
  const int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
  if (year < 0 || year > 9999) return -1;

  PutDigits(out, year, 4);
  out[4] = '-';
  PutDigits(out + 5, month, 2);
  out[7] = '-';
  PutDigits(out + 8, day, 2);
  out[10] = 'T';
  PutDigits(out + 11, timeOfDay / 3600, 2);
  out[13] = ':';
  PutDigits(out + 14, timeOfDay / 60 % 60, 2);
  out[16] = ':';
  PutDigits(out + 17, timeOfDay % 60, 2);
  out[19] = '.';
  PutDigits(out + 20, milliseconds, 3);
  out[23] = 'Z';
  out[24] = '\0';
  return 24;
}

}  // namespace nubo
