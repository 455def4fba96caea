#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "store/utf8.h"
#include "tests/support/case_name.h"

namespace nubo {
namespace {

#define FFFD "\xEF\xBF\xBD"

struct RepairCase {
  std::string name;
  std::string input;
  std::string expected;
};

class Utf8Repair : public ::testing::TestWithParam<RepairCase> {};

TEST_P(Utf8Repair, ReplacesEachMaximalIllFormedPart) {
  const RepairCase& c = GetParam();
  EXPECT_EQ(RepairUtf8(c.input), c.expected);
  EXPECT_EQ(IsValidUtf8(c.input), c.input == c.expected);
  EXPECT_TRUE(IsValidUtf8(RepairUtf8(c.input)));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Utf8Repair,
    ::testing::Values(
        RepairCase{"Empty", "", ""},
        RepairCase{"Ascii", "plain text", "plain text"},
        RepairCase{"Nul", std::string("a\0b", 3), std::string("a\0b", 3)},
        RepairCase{"Ideographs", "\xE4\xB8\xAD\xE6\x96\x87", "\xE4\xB8\xAD\xE6\x96\x87"},
        RepairCase{"Latin1Byte", "caf\xE9!", "caf" FFFD "!"},
        RepairCase{"LoneContinuations", "\x80\xBF", FFFD FFFD},
        RepairCase{"OverlongTwoByte", "\xC0\xAF", FFFD FFFD},
        RepairCase{"OverlongThreeByte", "\xE0\x80\xAF", FFFD FFFD FFFD},
        RepairCase{"Surrogate", "\xED\xA0\x80", FFFD FFFD FFFD},
        RepairCase{"AboveMaximum", "\xF4\x90\x80\x80", FFFD FFFD FFFD FFFD},
        RepairCase{"TruncatedThreeByte", "a\xE4\xB8z", "a" FFFD "z"},
        RepairCase{"InvalidLeads", "\xF5\xFE\xFF", FFFD FFFD FFFD}),
    nubo::testing::CaseName());

// Each lead byte on both sides of a range bound, whole and cut short at the
// very end of the text, read from a buffer of exactly its size so that a read
// past the end trips the sanitizer.
TEST(Utf8, LeadBoundsWholeAndCutShortAtTheEnd) {
  const struct {
    std::string bytes;
    std::string repaired;
  } cases[] = {
      {"\xC1\x80", FFFD FFFD}, {"\xC1", FFFD},
      {"\xC2\x80", "\xC2\x80"}, {"\xC2", FFFD},
      {"\xDF\xBF", "\xDF\xBF"}, {"\xDF", FFFD},
      {"\xE0\xA0\x80", "\xE0\xA0\x80"}, {"\xE0\xA0", FFFD},
      {"\xEF\xBF\xBF", "\xEF\xBF\xBF"}, {"\xEF\xBF", FFFD},
      {"\xF0\x90\x80\x80", "\xF0\x90\x80\x80"}, {"\xF0\x90\x80", FFFD},
      {"\xF4\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF"}, {"\xF4\x8F\xBF", FFFD},
      {"\xF5\x80\x80\x80", FFFD FFFD FFFD FFFD}, {"\xF5", FFFD},
  };
  for (const auto& c : cases) {
    const std::vector<char> exact(c.bytes.begin(), c.bytes.end());
    const std::string_view text(exact.data(), exact.size());
    EXPECT_EQ(IsValidUtf8(text), c.bytes == c.repaired) << ::testing::PrintToString(c.bytes);
    EXPECT_EQ(RepairUtf8(text), c.repaired) << ::testing::PrintToString(c.bytes);
  }
}

}  // namespace
}  // namespace nubo
