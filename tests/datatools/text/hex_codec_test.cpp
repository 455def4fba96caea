#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <string>

#include "datatools/text/text_codec.h"
#include "tests/datatools/text/core_test_support.h"
#include "tests/support/case_name.h"

namespace nubo {
namespace {

using testing::AsBytes;
using testing::AsOut;
using testing::CoreOutput;
using testing::DecodeCase;
using testing::ExpectDecoded;
using testing::RunCore;

CoreOutput Encode(std::string_view data, uint64_t capacity) {
  return RunCore(capacity, [&](char* out, uint64_t cap) {
    return TextHexEncode(AsBytes(data), data.size(), out, cap);
  });
}

CoreOutput Encode(std::string_view data) { return Encode(data, data.size() * 2); }

CoreOutput Decode(std::string_view text, uint64_t capacity) {
  return RunCore(capacity, [&](char* out, uint64_t cap) {
    return TextHexDecode(text.data(), text.size(), AsOut(out), cap);
  });
}

CoreOutput Decode(std::string_view text) { return Decode(text, text.size() / 2 + 1); }

struct Base16Case {
  const char* name;
  std::string data;
  std::string upper;  // as RFC 4648 section 10 lists it
};

class Base16Vectors : public ::testing::TestWithParam<Base16Case> {};

INSTANTIATE_TEST_SUITE_P(Rfc4648, Base16Vectors,
                         ::testing::Values(Base16Case{"empty", "", ""},
                                           Base16Case{"f", "f", "66"},
                                           Base16Case{"fo", "fo", "666F"},
                                           Base16Case{"foo", "foo", "666F6F"},
                                           Base16Case{"foob", "foob", "666F6F62"},
                                           Base16Case{"fooba", "fooba", "666F6F6261"},
                                           Base16Case{"foobar", "foobar", "666F6F626172"}),
                         nubo::testing::CaseName());

TEST_P(Base16Vectors, EncodesLowerCaseAndDecodesEitherCase) {
  const Base16Case& c = GetParam();
  std::string lower = c.upper;
  for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  const CoreOutput encoded = Encode(c.data);
  EXPECT_EQ(encoded.status, static_cast<int32_t>(lower.size()));
  EXPECT_EQ(encoded.text, lower);
  EXPECT_EQ(Decode(c.upper).text, c.data);
  EXPECT_EQ(Decode(lower).text, c.data);
  EXPECT_EQ(Decode(c.upper).status, static_cast<int32_t>(c.data.size()));
}

TEST(HexEncode, EveryByteValue) {
  std::string data;
  for (int b = 0; b < 256; ++b) data += static_cast<char>(b);
  const CoreOutput encoded = Encode(data);
  ASSERT_EQ(encoded.status, 512);
  EXPECT_EQ(encoded.text.substr(0, 8), "00010203");
  EXPECT_EQ(encoded.text.substr(504), "fcfdfeff");
  EXPECT_EQ(Decode(encoded.text).text, data);
}

TEST(HexEncode, RefusesASmallCapacityAndNullPointers) {
  char out[4] = {'#', '#', '#', '#'};
  EXPECT_EQ(TextHexEncode(AsBytes("ab"), 2, out, 3), -1);
  EXPECT_EQ(std::string(out, 4), "####");
  EXPECT_EQ(TextHexEncode(nullptr, 0, out, 4), -1);
  EXPECT_EQ(TextHexEncode(AsBytes("a"), 1, nullptr, 4), -1);
  EXPECT_EQ(Encode("", 0).status, 0);
}

TEST(HexEncode, LengthsWhoseDoubleWrapsAreRefused) {
  // 2 * 2^63 is 0 in 64 bits: a careless check would pass it.
  char out[4];
  const uint8_t byte = 0;
  EXPECT_EQ(TextHexEncode(&byte, uint64_t{1} << 63, out, 4), -1);
  EXPECT_EQ(TextHexEncode(&byte, UINT64_MAX, out, UINT64_MAX), -1);
  EXPECT_EQ(TextHexEncode(&byte, 1073741824, out, UINT64_MAX), -1);  // 2 GiB of digits
  EXPECT_EQ(TextHexEncodedLength(uint64_t{1} << 63), -1);
  EXPECT_EQ(TextHexEncodedLength(INT64_MAX / 2), INT64_MAX - 1);
  EXPECT_EQ(TextHexEncodedLength(INT64_MAX / 2 + 1), -1);
  EXPECT_EQ(TextHexEncodedLength(21), 42);
}

class HexDecodeRules : public ::testing::TestWithParam<DecodeCase> {};

INSTANTIATE_TEST_SUITE_P(
    HexDecode, HexDecodeRules,
    ::testing::Values(
        DecodeCase{"prefix_alone", "0x", 0, ""},
        DecodeCase{"upper_prefix", "0XdEaD", 2, "\xde\xad"},
        DecodeCase{"prefix_then_bytes", "0x4142", 2, "AB"},
        DecodeCase{"blank_before_prefix", " 0x41", -1, ""},
        DecodeCase{"second_prefix", "0x410x42", -1, ""},
        DecodeCase{"prefix_after_byte", "41 0x42", -1, ""},
        DecodeCase{"separators", "de_ad be\tef\r\n", 4, "\xde\xad\xbe\xef"},
        DecodeCase{"separator_inside_byte", "d e_a\nd", 2, "\xde\xad"},
        DecodeCase{"odd_digit_count", "abc", -1, ""},
        DecodeCase{"single_digit", "a", -1, ""},
        DecodeCase{"zero_alone", "0", -1, ""},
        DecodeCase{"bad_digit", "4g", -1, ""},
        DecodeCase{"colon", "41:42", -1, ""},
        DecodeCase{"vertical_tab", "41\v42", -1, ""},
        DecodeCase{"nul_byte", std::string("41\0" "42", 5), -1, ""},
        DecodeCase{"only_separators", " _\t", 0, ""},
        DecodeCase{"empty", "", 0, ""}),
    nubo::testing::CaseName());

TEST_P(HexDecodeRules, Decodes) {
  ExpectDecoded(Decode(GetParam().text), GetParam());
}

TEST(HexDecode, AByteThatFindsTheOutputFullFails) {
  EXPECT_EQ(Decode("414243", 3).text, "ABC");
  EXPECT_EQ(Decode("414243", 2).status, -1);
  EXPECT_EQ(Decode("41 42 43", 2).status, -1);
  EXPECT_EQ(Decode("41", 0).status, -1);
}

TEST(HexDecode, RefusesNullPointers) {
  uint8_t out[2];
  EXPECT_EQ(TextHexDecode(nullptr, 0, out, 2), -1);
  EXPECT_EQ(TextHexDecode("41", 2, nullptr, 2), -1);
}

}  // namespace
}  // namespace nubo
