#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "datatools/text/generators.h"
#include "tests/datatools/text/core_test_support.h"
#include "tests/support/case_name.h"

namespace nubo {
namespace {

using testing::CountOf;
constexpr const char* kLower = testing::kLowerLetters;
constexpr const char* kUpper = testing::kUpperLetters;
constexpr const char* kDigits = testing::kDigitCharacters;
constexpr const char* kSymbols = testing::kSymbolCharacters;

std::vector<uint8_t> Counting(size_t length, uint8_t start = 0) {
  std::vector<uint8_t> bytes(length);
  for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<uint8_t>(start + i * 7);
  return bytes;
}

// ---- passwords

TEST(Password, LengthFourWithAllClassesHoldsOneOfEach) {
  for (uint8_t start = 0; start < 200; start += 13) {
    const std::vector<uint8_t> random = Counting(128, start);
    char out[5];
    ASSERT_EQ(TextGeneratePassword(random.data(), random.size(), 4, true, true, true, true, out, 5), 4);
    const std::string password(out);
    ASSERT_EQ(password.size(), 4u);
    EXPECT_EQ(CountOf(password, kLower), 1u) << password;
    EXPECT_EQ(CountOf(password, kUpper), 1u) << password;
    EXPECT_EQ(CountOf(password, kDigits), 1u) << password;
    EXPECT_EQ(CountOf(password, kSymbols), 1u) << password;
  }
}

TEST(Password, FollowsTheDrawOrderExactly) {
  // Class picks: lower 'a'+1, upper 'A'+2, digit 3, symbol index 4 ('%');
  // then the shuffle draws j = byte mod (i + 1) for i = 3, 2, 1.
  const uint8_t random[] = {1, 2, 3, 4, /*i=3*/ 0, /*i=2*/ 2, /*i=1*/ 1};
  char out[5];
  ASSERT_EQ(TextGeneratePassword(random, sizeof random, 4, true, true, true, true, out, 5), 4);
  // "bC3%": swap(3,0) -> "%C3b"; swap(2,2); swap(1,1).
  EXPECT_STREQ(out, "%C3b");
}

TEST(Password, RejectsBiasedBytes) {
  // A class accepts bytes below 234 (letters), 250 (digits) or 240 (symbols);
  // the shuffle for i accepts bytes below 256 - 256 mod (i + 1).
  const uint8_t classBytes[] = {234, 0, 250, 9, 240, 23, /*i=2*/ 255, 2, /*i=1*/ 1};
  char out[4];
  ASSERT_EQ(TextGeneratePassword(classBytes, sizeof classBytes, 3, true, false, true, true, out, 4), 3);
  EXPECT_STREQ(out, "a9/");
  // The remaining places draw from the whole alphabet (52 letters: below 208).
  const uint8_t alphabetBytes[] = {234, 0, 234, 1, 208, 207, /*i=2*/ 2, /*i=1*/ 1};
  ASSERT_EQ(TextGeneratePassword(alphabetBytes, sizeof alphabetBytes, 3, true, true, false, false, out, 4), 3);
  EXPECT_STREQ(out, "aBZ");
}

TEST(Password, AllBytes255AreExhausted) {
  const std::vector<uint8_t> random(2112, 255);
  char out[129];
  std::memset(out, '#', sizeof out);
  EXPECT_EQ(TextGeneratePassword(random.data(), random.size(), 128, true, true, true, true, out, 129), -2);
  EXPECT_EQ(out[0], '\0');
}

TEST(Password, RunningOutMidwayGivesMinusTwo) {
  const std::vector<uint8_t> random = Counting(5);
  char out[9];
  EXPECT_EQ(TextGeneratePassword(random.data(), random.size(), 8, true, false, false, false, out, 9), -2);
  EXPECT_EQ(out[0], '\0');
}

TEST(Password, LengthsAbove256CannotBeShuffled) {
  const std::vector<uint8_t> random = Counting(4096);
  std::vector<char> out(258);
  EXPECT_EQ(TextGeneratePassword(random.data(), random.size(), 257, true, true, true, true,
                                 out.data(), out.size()), -2);
  EXPECT_EQ(out[0], '\0');
}

TEST(Password, PinHoldsDigitsOnly) {
  const std::vector<uint8_t> random = Counting(2112, 5);
  char out[129];
  ASSERT_EQ(TextGeneratePassword(random.data(), random.size(), 128, false, false, true, false, out, 129), 128);
  EXPECT_EQ(CountOf(out, kDigits), 128u);
}

struct BadArgumentsCase {
  const char* name;
  bool nullRandom;
  bool nullOut;
  int64_t length;
  bool lower, upper, digits, symbols;
  uint64_t capacity;
};

class PasswordArguments : public ::testing::TestWithParam<BadArgumentsCase> {};

INSTANTIATE_TEST_SUITE_P(
    Password, PasswordArguments,
    ::testing::Values(
        BadArgumentsCase{"null_random", true, false, 8, true, true, true, true, 9},
        BadArgumentsCase{"null_out", false, true, 8, true, true, true, true, 9},
        BadArgumentsCase{"zero_length", false, false, 0, true, true, true, true, 9},
        BadArgumentsCase{"negative_length", false, false, -1, true, true, true, true, 9},
        BadArgumentsCase{"no_room_for_nul", false, false, 8, true, true, true, true, 8},
        BadArgumentsCase{"no_class", false, false, 8, false, false, false, false, 9},
        BadArgumentsCase{"fewer_places_than_classes", false, false, 3, true, true, true, true, 9},
        BadArgumentsCase{"length_beyond_32_bits", false, false, INT64_MAX, true, true, true, true,
                         UINT64_MAX}),
    nubo::testing::CaseName());

TEST_P(PasswordArguments, AreRefused) {
  const BadArgumentsCase& c = GetParam();
  const std::vector<uint8_t> random = Counting(2112);
  char out[9] = "########";
  EXPECT_EQ(TextGeneratePassword(c.nullRandom ? nullptr : random.data(), random.size(), c.length,
                                 c.lower, c.upper, c.digits, c.symbols, c.nullOut ? nullptr : out,
                                 c.capacity),
            -1);
  EXPECT_STREQ(out, "########");
}

// ---- Unix times

struct TimeCase {
  const char* name;
  int64_t value;
  int unit;
  const char* text;  // nullptr: refused
};

class UnixTimes : public ::testing::TestWithParam<TimeCase> {};

constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
constexpr int64_t kMax = std::numeric_limits<int64_t>::max();

INSTANTIATE_TEST_SUITE_P(
    UnixTime, UnixTimes,
    ::testing::Values(
        TimeCase{"epoch", 0, kUnixTimeSeconds, "1970-01-01T00:00:00.000Z"},
        TimeCase{"minus_one_ms", -1, kUnixTimeMilliseconds, "1969-12-31T23:59:59.999Z"},
        TimeCase{"minus_one_s", -1, kUnixTimeSeconds, "1969-12-31T23:59:59.000Z"},
        TimeCase{"leap_day_2000", 951782400, kUnixTimeSeconds, "2000-02-29T00:00:00.000Z"},
        TimeCase{"ms_with_fraction", 1700000000123, kUnixTimeMilliseconds, "2023-11-14T22:13:20.123Z"},
        TimeCase{"negative_ms_fraction", -1500, kUnixTimeMilliseconds, "1969-12-31T23:59:58.500Z"},
        TimeCase{"last_second", 253402300799, kUnixTimeSeconds, "9999-12-31T23:59:59.000Z"},
        TimeCase{"after_last_second", 253402300800, kUnixTimeSeconds, nullptr},
        TimeCase{"first_second", -62167219200, kUnixTimeSeconds, "0000-01-01T00:00:00.000Z"},
        TimeCase{"before_first_second", -62167219201, kUnixTimeSeconds, nullptr},
        TimeCase{"year_zero_leap_day", -62162121600, kUnixTimeSeconds, "0000-02-29T00:00:00.000Z"},
        TimeCase{"last_ms", 253402300799999, kUnixTimeMilliseconds, "9999-12-31T23:59:59.999Z"},
        TimeCase{"after_last_ms", 253402300800000, kUnixTimeMilliseconds, nullptr},
        TimeCase{"first_ms", -62167219200000, kUnixTimeMilliseconds, "0000-01-01T00:00:00.000Z"},
        TimeCase{"before_first_ms", -62167219200001, kUnixTimeMilliseconds, nullptr},
        TimeCase{"int64_min_ms", kMin, kUnixTimeMilliseconds, nullptr},
        TimeCase{"int64_max_ms", kMax, kUnixTimeMilliseconds, nullptr},
        TimeCase{"int64_min_s", kMin, kUnixTimeSeconds, nullptr},
        TimeCase{"int64_max_s", kMax, kUnixTimeSeconds, nullptr},
        TimeCase{"unknown_unit", 0, 2, nullptr},
        TimeCase{"negative_unit", 0, -1, nullptr}),
    nubo::testing::CaseName());

TEST_P(UnixTimes, Formats) {
  const TimeCase& c = GetParam();
  char out[25];
  std::memset(out, '#', sizeof out);
  const int32_t status = TextFormatUnixTime(c.value, c.unit, out, sizeof out);
  if (c.text == nullptr) {
    EXPECT_EQ(status, -1);
  } else {
    EXPECT_EQ(status, 24);
    EXPECT_STREQ(out, c.text);
  }
}

TEST(UnixTime, NeedsRoomForTheNul) {
  char out[25];
  EXPECT_EQ(TextFormatUnixTime(0, kUnixTimeSeconds, out, 24), -1);
  EXPECT_EQ(TextFormatUnixTime(0, kUnixTimeSeconds, nullptr, 25), -1);
}

// ---- UUIDs

std::string Uuid(int32_t (*format)(const uint8_t*, char*, uint64_t), const uint8_t* bytes) {
  char out[37];
  EXPECT_EQ(format(bytes, out, sizeof out), 36);
  return out;
}

TEST(Uuid, FormatsBytesInOrder) {
  const uint8_t bytes[16] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77,
                             0x88, 0x99, 0xaa, 0xbb, 0xcc, 0xdd, 0xee, 0xff};
  EXPECT_EQ(Uuid(TextFormatUuid, bytes), "00112233-4455-6677-8899-aabbccddeeff");
}

TEST(Uuid, Version4Layout) {
  const uint8_t zeros[16] = {};
  EXPECT_EQ(Uuid(TextFormatUuidV4, zeros), "00000000-0000-4000-8000-000000000000");
  uint8_t ones[16];
  std::memset(ones, 0xff, sizeof ones);
  EXPECT_EQ(Uuid(TextFormatUuidV4, ones), "ffffffff-ffff-4fff-bfff-ffffffffffff");
  // RFC 9562, appendix A.3: the example's own bytes keep their text.
  const uint8_t example[16] = {0x91, 0x91, 0x08, 0xf7, 0x52, 0xd1, 0x43, 0x20,
                               0x9b, 0xac, 0xf8, 0x47, 0xdb, 0x41, 0x48, 0xa8};
  EXPECT_EQ(Uuid(TextFormatUuidV4, example), "919108f7-52d1-4320-9bac-f847db4148a8");
}

TEST(Uuid, Version7Layout) {
  char out[37];
  const uint8_t zeros[10] = {};
  ASSERT_EQ(TextFormatUuidV7(0, zeros, out, sizeof out), 36);
  EXPECT_STREQ(out, "00000000-0000-7000-8000-000000000000");
  // RFC 9562, appendix A.5: 2022-02-22 19:22:22 UTC with its random bits.
  const uint8_t random[10] = {0x0c, 0xc3, 0x18, 0xc4, 0xdc, 0x0c, 0x0c, 0x07, 0x39, 0x8f};
  ASSERT_EQ(TextFormatUuidV7(0x017F22E279B0, random, out, sizeof out), 36);
  EXPECT_STREQ(out, "017f22e2-79b0-7cc3-98c4-dc0c0c07398f");
  // Only the low 48 bits of the time are kept.
  ASSERT_EQ(TextFormatUuidV7(0xABCD017F22E279B0, random, out, sizeof out), 36);
  EXPECT_STREQ(out, "017f22e2-79b0-7cc3-98c4-dc0c0c07398f");
  uint8_t ones[10];
  std::memset(ones, 0xff, sizeof ones);
  ASSERT_EQ(TextFormatUuidV7(0, ones, out, sizeof out), 36);
  EXPECT_STREQ(out, "00000000-0000-7fff-bfff-ffffffffffff");
}

TEST(Uuid, RefusesNullPointersAndSmallCapacities) {
  const uint8_t bytes[16] = {};
  char out[37];
  EXPECT_EQ(TextFormatUuid(bytes, out, 36), -1);
  EXPECT_EQ(TextFormatUuid(nullptr, out, 37), -1);
  EXPECT_EQ(TextFormatUuid(bytes, nullptr, 37), -1);
  EXPECT_EQ(TextFormatUuidV4(bytes, out, 36), -1);
  EXPECT_EQ(TextFormatUuidV4(nullptr, out, 37), -1);
  EXPECT_EQ(TextFormatUuidV7(0, bytes, out, 36), -1);
  EXPECT_EQ(TextFormatUuidV7(0, nullptr, out, 37), -1);
}

}  // namespace
}  // namespace nubo
