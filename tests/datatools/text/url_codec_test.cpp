#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "datatools/text/text_codec.h"
#include "tests/datatools/text/core_test_support.h"
#include "tests/support/case_name.h"

namespace nubo {
namespace {

using testing::AsOut;
using testing::CoreOutput;
using testing::DecodeCase;
using testing::ExpectDecoded;
using testing::RunCore;

CoreOutput Encode(std::string_view text, bool componentMode, uint64_t capacity) {
  return RunCore(capacity, [&](char* out, uint64_t cap) {
    return TextUrlEncode(text.data(), text.size(), out, cap, componentMode);
  });
}

CoreOutput Encode(std::string_view text, bool componentMode) {
  return Encode(text, componentMode, text.size() * 3);
}

CoreOutput Decode(std::string_view text, uint64_t capacity) {
  return RunCore(capacity, [&](char* out, uint64_t cap) {
    return TextUrlDecode(text.data(), text.size(), AsOut(out), cap);
  });
}

CoreOutput Decode(std::string_view text) { return Decode(text, text.size()); }

struct EncodeCase {
  const char* name;
  std::string text;
  std::string component;
  std::string wholeUrl;
};

class UrlEncodeModes : public ::testing::TestWithParam<EncodeCase> {};

INSTANTIATE_TEST_SUITE_P(
    UrlEncode, UrlEncodeModes,
    ::testing::Values(
        EncodeCase{"empty", "", "", ""},
        EncodeCase{"space", " ", "%20", "%20"},
        EncodeCase{"slash", "a/b", "a%2Fb", "a/b"},
        EncodeCase{"unreserved", "AZaz09-._~", "AZaz09-._~", "AZaz09-._~"},
        EncodeCase{"reserved", "!#$&'()*+,/:;=?@[]",
                   "%21%23%24%26%27%28%29%2A%2B%2C%2F%3A%3B%3D%3F%40%5B%5D", "!#$&'()*+,/:;=?@[]"},
        EncodeCase{"percent_is_never_kept", "%41", "%2541", "%2541"},
        EncodeCase{"e_acute", "\xc3\xa9", "%C3%A9", "%C3%A9"},
        EncodeCase{"controls", std::string("\0\x01\x7f", 3), "%00%01%7F", "%00%01%7F"},
        EncodeCase{"others", "\"<>\\^`{|}", "%22%3C%3E%5C%5E%60%7B%7C%7D", "%22%3C%3E%5C%5E%60%7B%7C%7D"},
        EncodeCase{"query", "https://h/p?q=a b&x=1#f", "https%3A%2F%2Fh%2Fp%3Fq%3Da%20b%26x%3D1%23f",
                   "https://h/p?q=a%20b&x=1#f"}),
    nubo::testing::CaseName());

TEST_P(UrlEncodeModes, EncodesInBothModes) {
  const EncodeCase& c = GetParam();
  EXPECT_EQ(Encode(c.text, true).text, c.component);
  EXPECT_EQ(Encode(c.text, true).status, static_cast<int32_t>(c.component.size()));
  EXPECT_EQ(Encode(c.text, false).text, c.wholeUrl);
}

TEST(UrlEncode, EveryByteValueRoundTripsInComponentMode) {
  std::string text;
  for (int b = 0; b < 256; ++b) text += static_cast<char>(b);
  const CoreOutput encoded = Encode(text, true);
  ASSERT_GT(encoded.status, 0);
  EXPECT_EQ(Decode(encoded.text).text, text);
}

TEST(UrlEncode, ACharacterThatFindsTooLittleRoomFails) {
  EXPECT_EQ(Encode("a b", true, 5).status, 5);
  EXPECT_EQ(Encode("a b", true, 4).status, -1);
  EXPECT_EQ(Encode(" ", true, 2).status, -1);
  EXPECT_EQ(Encode("ab", true, 1).status, -1);
  EXPECT_EQ(Encode("", true, 0).status, 0);
}

TEST(UrlCodec, RefuseNullPointersAndWrappingCapacities) {
  char out[4];
  uint8_t bytes[4];
  EXPECT_EQ(TextUrlEncode(nullptr, 0, out, 4, true), -1);
  EXPECT_EQ(TextUrlEncode("a", 1, nullptr, 4, true), -1);
  EXPECT_EQ(TextUrlDecode(nullptr, 0, bytes, 4), -1);
  EXPECT_EQ(TextUrlDecode("a", 1, nullptr, 4), -1);
  EXPECT_EQ(TextUrlEncodedCapacity(UINT64_MAX), -1);
  EXPECT_EQ(TextUrlEncodedCapacity(INT64_MAX / 3), INT64_MAX / 3 * 3);
  EXPECT_EQ(TextUrlEncodedCapacity(INT64_MAX / 3 + 1), -1);
  EXPECT_EQ(TextUrlEncodedCapacity(7), 21);
}

class UrlDecodeRules : public ::testing::TestWithParam<DecodeCase> {};

INSTANTIATE_TEST_SUITE_P(
    UrlDecode, UrlDecodeRules,
    ::testing::Values(DecodeCase{"plus_and_escape", "a+b%2B", 4, "a b+"},
                      DecodeCase{"either_case", "%c3%A9", 2, "\xc3\xa9"},
                      DecodeCase{"nul_escape", "%00", 1, std::string("\0", 1)},
                      DecodeCase{"unescaped_kept", "a b/?#\xff", 7, "a b/?#\xff"},
                      DecodeCase{"truncated_escape", "%2", -1, ""},
                      DecodeCase{"lone_percent", "%", -1, ""},
                      DecodeCase{"not_digits", "%zz", -1, ""},
                      DecodeCase{"one_bad_digit", "%2g", -1, ""},
                      DecodeCase{"escape_at_end", "ab%41", 3, "abA"},
                      DecodeCase{"empty", "", 0, ""}),
    nubo::testing::CaseName());

TEST_P(UrlDecodeRules, Decodes) {
  ExpectDecoded(Decode(GetParam().text), GetParam());
}

TEST(UrlDecode, AByteThatFindsTheOutputFullFails) {
  EXPECT_EQ(Decode("%41%42", 2).text, "AB");
  EXPECT_EQ(Decode("%41%42", 1).status, -1);
  EXPECT_EQ(Decode("a", 0).status, -1);
}

}  // namespace
}  // namespace nubo
