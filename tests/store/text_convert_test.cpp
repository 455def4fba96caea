#include <gtest/gtest.h>

#include "tests/support/case_name.h"

#include <stdexcept>

#include "store/text_convert.h"
#include "store/utf8.h"

namespace nubo {
namespace {

struct Utf8Case {
  const char* name;
  std::string utf8;
  std::wstring utf16;
};

class Utf8RoundTrip : public ::testing::TestWithParam<Utf8Case> {};

TEST_P(Utf8RoundTrip, ConvertsBothWays) {
  const Utf8Case& c = GetParam();
  EXPECT_EQ(Utf8ToUtf16(c.utf8), c.utf16);
  EXPECT_EQ(Utf16ToUtf8(c.utf16), c.utf8);
}

INSTANTIATE_TEST_SUITE_P(
    TextConvert, Utf8RoundTrip,
    ::testing::Values(Utf8Case{"empty", "", L""}, Utf8Case{"ascii", "abc", L"abc"},
                      Utf8Case{"cjk", "可爱朵朵", L"\u53ef\u7231\u6735\u6735"},
                      Utf8Case{"astral", "\xF0\x9F\x98\x80", L"\xD83D\xDE00"},
                      Utf8Case{"embedded_nul", std::string("a\0b", 3), std::wstring(L"a\0b", 3)}),
    nubo::testing::CaseName());

TEST(TextConvert, RejectsInvalidUtf8) {
  const std::string invalid[] = {"\xC0\xAF", "\xFF", "abc\xE4\xB8", "\xED\xA0\x80", "\x80"};
  for (const std::string& text : invalid) {
    try {
      Utf8ToUtf16(text);
      ADD_FAILURE() << "accepted invalid UTF-8 of length " << text.size();
    } catch (const std::runtime_error& error) {
      EXPECT_STREQ(error.what(), "Unable to convert UTF-8 text to UTF-16.");
    }
  }
}

TEST(TextConvert, ReplacesUnpairedSurrogates) {
  EXPECT_EQ(Utf16ToUtf8(std::wstring(1, wchar_t(0xD800))), "\xEF\xBF\xBD");
  EXPECT_EQ(Utf16ToUtf8(std::wstring(1, wchar_t(0xDC00))), "\xEF\xBF\xBD");
  std::wstring reversed = {wchar_t(0xDE00), wchar_t(0xD83D), L'x'};
  EXPECT_EQ(Utf16ToUtf8(reversed), "\xEF\xBF\xBD\xEF\xBF\xBDx");
}

}  // namespace
}  // namespace nubo

namespace nubo {
namespace {

TEST(IsValidUtf8, AgreesWithTheStrictConversion) {
  const std::string samples[] = {
      "", "plain", "可爱朵朵", "\xF0\x9F\x98\x80", std::string("a\0b", 3), "\xC0\xAF", "\xC2",
      "\xE0\x80\xAF", "\xE0\xA0\x80", "\xED\x9F\xBF", "\xED\xA0\x80", "\xEF\xBF\xBF",
      "\xF0\x8F\xBF\xBF", "\xF0\x90\x80\x80", "\xF4\x8F\xBF\xBF", "\xF4\x90\x80\x80", "\xF5\x80\x80\x80",
      "\xFF", "\x80", "ab\xE4\xB8"};
  for (const std::string& sample : samples) {
    bool converts = true;
    try {
      Utf8ToUtf16(sample);
    } catch (const std::runtime_error&) {
      converts = false;
    }
    EXPECT_EQ(IsValidUtf8(sample), converts) << ::testing::PrintToString(sample);
  }
}

}  // namespace
}  // namespace nubo
