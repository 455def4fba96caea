#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "datatools/text/strict_integer.h"
#include "tests/support/case_name.h"

namespace nubo {
namespace {

struct IntegerCase {
  const char* name;
  std::string text;
  bool accepted;
  int64_t value;
};

class StrictIntegers : public ::testing::TestWithParam<IntegerCase> {};

INSTANTIATE_TEST_SUITE_P(
    ParseStrictInt64, StrictIntegers,
    ::testing::Values(
        IntegerCase{"plain", "42", true, 42},
        IntegerCase{"blanks_around", " \t42\r\n", true, 42},
        IntegerCase{"every_c_space", "\v\f 7 \v\f", true, 7},
        IntegerCase{"negative", "-7", true, -7},
        IntegerCase{"plus", "+5", true, 5},
        IntegerCase{"leading_zeros", "0007", true, 7},
        IntegerCase{"int64_max", "9223372036854775807", true, INT64_MAX},
        IntegerCase{"int64_min", "-9223372036854775808", true, INT64_MIN},
        IntegerCase{"above_max", "9223372036854775808", false, 0},
        IntegerCase{"below_min", "-9223372036854775809", false, 0},
        IntegerCase{"far_above", "99999999999999999999999", false, 0},
        IntegerCase{"empty", "", false, 0},
        IntegerCase{"blanks_only", "   ", false, 0},
        IntegerCase{"sign_only", "-", false, 0},
        IntegerCase{"two_signs", "+-5", false, 0},
        IntegerCase{"blank_after_sign", "- 5", false, 0},
        IntegerCase{"fraction", "4.0", false, 0},
        IntegerCase{"hexadecimal", "0x10", false, 0},
        IntegerCase{"exponent", "1e3", false, 0},
        IntegerCase{"letters_after", "12a", false, 0},
        IntegerCase{"inner_blank", "1 2", false, 0},
        IntegerCase{"nul_then_text", std::string("5\0x", 3), false, 0},
        IntegerCase{"trailing_nul", std::string("5\0", 2), false, 0},
        IntegerCase{"leading_nul", std::string("\0" "5", 2), false, 0},
        IntegerCase{"full_width_digit", "\xef\xbc\x95", false, 0},
        IntegerCase{"non_breaking_space", "5\xc2\xa0", false, 0}),
    nubo::testing::CaseName());

TEST_P(StrictIntegers, Parse) {
  const IntegerCase& c = GetParam();
  int64_t value = 12345;
  EXPECT_EQ(ParseStrictInt64(c.text, value), c.accepted);
  if (c.accepted) {
    EXPECT_EQ(value, c.value);
  }
}

}  // namespace
}  // namespace nubo
