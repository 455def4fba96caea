#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "datatools/image/suggested_name.h"
#include "tests/support/case_name.h"

namespace nubo {
namespace {

struct NameCase {
  std::string name;
  std::string baseName;
  std::string format;
  std::wstring expected;
};

class SuggestedName : public ::testing::TestWithParam<NameCase> {};

TEST_P(SuggestedName, Builds) {
  EXPECT_EQ(SuggestedImageFileName(GetParam().baseName, GetParam().format), GetParam().expected);
}

std::string Repeat(const std::string& piece, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += piece;
  return text;
}

const std::string kIdeograph = "\xE5\x9B\xBE";     // U+56FE
const std::string kEmoji = "\xF0\x9F\x90\xB1";     // U+1F431, a surrogate pair in UTF-16
const std::wstring kEmojiUnits = L"\xD83D\xDC31";

INSTANTIATE_TEST_SUITE_P(
    Cases, SuggestedName,
    ::testing::Values(
        NameCase{"Plain", "holiday", "png", L"holiday.png"},
        NameCase{"JpegTakesJpg", "holiday", "jpeg", L"holiday.jpg"},
        NameCase{"ForbiddenOnly", "\"*/:<>?\\|", "webp", L"converted-image.webp"},
        NameCase{"Empty", "", "ico", L"converted-image.ico"},
        NameCase{"ControlBytesDropped", "a\tb\x01\x1F" "c\x7F", "png", L"abc\x7F.png"},
        NameCase{"MultiByteKept", "猫:咪", "png", L"猫咪.png"},
        NameCase{"CutTo80Units", Repeat(kIdeograph, 200), "png",
                 std::wstring(80, L'\x56FE') + L".png"},
        NameCase{"PairAcrossTheCutIsDropped", Repeat("a", 79) + kEmoji, "png",
                 std::wstring(79, L'a') + L".png"},
        NameCase{"PairEndingAtTheCutIsKept", Repeat("a", 78) + kEmoji + "b", "png",
                 std::wstring(78, L'a') + kEmojiUnits + L".png"},
        NameCase{"PairsOnly", Repeat(kEmoji, 41), "png", [] {
                   std::wstring expected;
                   for (int i = 0; i < 40; ++i) expected += kEmojiUnits;
                   return expected + L".png";
                 }()}),
    nubo::testing::CaseName());

TEST(SuggestedName, IllFormedUtf8IsRefused) {
  EXPECT_THROW(SuggestedImageFileName("\xC3", "png"), std::runtime_error);
}

}  // namespace
}  // namespace nubo
