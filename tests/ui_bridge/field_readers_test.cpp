#include <gtest/gtest.h>

#include "tests/support/case_name.h"

#include <cstdint>
#include <limits>
#include <string>

#include "ui_bridge/field_readers.h"

namespace nubo {
namespace {

Json Parse(const char* text) { return Json::parse(text); }

TEST(ReadStringField, NeedsAnObjectWithAStringMember) {
  std::string out = "untouched";
  EXPECT_FALSE(ReadStringField(Parse(R"([1])"), "a", out));
  EXPECT_FALSE(ReadStringField(Parse(R"("a")"), "a", out));
  EXPECT_FALSE(ReadStringField(Parse(R"({"a":1})"), "a", out));
  EXPECT_FALSE(ReadStringField(Parse(R"({"a":null})"), "a", out));
  EXPECT_FALSE(ReadStringField(Parse(R"({"b":"x"})"), "a", out));
  EXPECT_EQ(out, "untouched");
  EXPECT_TRUE(ReadStringField(Parse(R"({"a":""})"), "a", out));
  EXPECT_EQ(out, "");
  EXPECT_TRUE(ReadStringField(Parse(R"({"a":"\u0000x"})"), "a", out));
  EXPECT_EQ(out, std::string("\0x", 2));
}

struct BoundedCase {
  const char* name;
  std::string json;
  size_t maxBytes;
  bool accepted;
};

class BoundedString : public ::testing::TestWithParam<BoundedCase> {};

TEST_P(BoundedString, AppliesLimits) {
  std::string out;
  EXPECT_EQ(ReadBoundedStringField(Json::parse(GetParam().json), "requestId", GetParam().maxBytes, out),
            GetParam().accepted);
}

INSTANTIATE_TEST_SUITE_P(
    ReadBoundedStringField, BoundedString,
    ::testing::Values(
        BoundedCase{"empty", R"({"requestId":""})", 80, false},
        BoundedCase{"one_byte", R"({"requestId":"r"})", 80, true},
        BoundedCase{"at_limit", R"({"requestId":")" + std::string(80, 'x') + R"("})", 80, true},
        BoundedCase{"over_limit", R"({"requestId":")" + std::string(81, 'x') + R"("})", 80, false},
        BoundedCase{"limit_counts_bytes", R"({"requestId":")" + std::string(27, 'x') + "朵" + R"("})", 29, false},
        BoundedCase{"nul_byte", R"({"requestId":"a\u0000b"})", 80, false},
        BoundedCase{"number", R"({"requestId":7})", 80, false},
        BoundedCase{"missing", R"({})", 80, false}),
    nubo::testing::CaseName());

struct IntegerCase {
  const char* name;
  const char* json;
  int64_t min;
  int64_t max;
  bool accepted;
  int64_t value;
};

class IntegerField : public ::testing::TestWithParam<IntegerCase> {};

TEST_P(IntegerField, AcceptsOnlyIntegersInRange) {
  const IntegerCase& c = GetParam();
  int64_t out = -12345;
  EXPECT_EQ(ReadIntegerField(Json::parse(c.json), "v", c.min, c.max, out), c.accepted);
  EXPECT_EQ(out, c.accepted ? c.value : -12345);
}

constexpr int64_t kMax64 = std::numeric_limits<int64_t>::max();
constexpr int64_t kMin64 = std::numeric_limits<int64_t>::min();

INSTANTIATE_TEST_SUITE_P(
    ReadIntegerField, IntegerField,
    ::testing::Values(IntegerCase{"zero", R"({"v":0})", 0, 65535, true, 0},
                      IntegerCase{"upper_bound", R"({"v":65535})", 0, 65535, true, 65535},
                      IntegerCase{"above", R"({"v":65536})", 0, 65535, false, 0},
                      IntegerCase{"below", R"({"v":-1})", 0, 65535, false, 0},
                      IntegerCase{"negative_ok", R"({"v":-5})", -10, 10, true, -5},
                      IntegerCase{"fraction", R"({"v":1.5})", 0, 10, false, 0},
                      IntegerCase{"whole_float", R"({"v":2.0})", 0, 10, false, 0},
                      IntegerCase{"exponent", R"({"v":1e2})", 0, 1000, false, 0},
                      IntegerCase{"boolean", R"({"v":true})", 0, 10, false, 0},
                      IntegerCase{"string", R"({"v":"5"})", 0, 10, false, 0},
                      IntegerCase{"int64_max", R"({"v":9223372036854775807})", 0, kMax64, true, kMax64},
                      IntegerCase{"int64_min", R"({"v":-9223372036854775808})", kMin64, 0, true, kMin64},
                      IntegerCase{"beyond_int64", R"({"v":9223372036854775808})", 0, kMax64, false, 0},
                      IntegerCase{"uint64_max", R"({"v":18446744073709551615})", 0, kMax64, false, 0},
                      IntegerCase{"payload_array", R"([1])", 0, 10, false, 0}),
    nubo::testing::CaseName());

TEST(ValueWithDefault, ReturnsMemberOrDefault) {
  const Json payload = Parse(R"({"text":"t","flag":false,"n":42})");
  EXPECT_EQ(ReadTextOr(payload, "text", "d"), "t");
  EXPECT_EQ(ReadTextOr(payload, "absent", "d"), "d");
  EXPECT_FALSE(ReadBoolOr(payload, "flag", true));
  EXPECT_TRUE(ReadBoolOr(payload, "absent", true));
  EXPECT_EQ(ReadNumberOr<int>(payload, "n", 7), 42);
  EXPECT_EQ(ReadNumberOr<int>(payload, "absent", 7), 7);
}

TEST(ValueWithDefault, RaisesTheLibraryTypeError) {
  const Json array = Parse(R"([1,2])");
  EXPECT_THROW(ReadTextOr(array, "a", ""), Json::type_error);
  EXPECT_THROW(ReadBoolOr(array, "a", false), Json::type_error);
  EXPECT_THROW(ReadNumberOr<int>(array, "a", 0), Json::type_error);

  const Json payload = Parse(R"({"s":"x","n":1,"b":true,"null":null,"o":{}})");
  EXPECT_THROW(ReadTextOr(payload, "n", ""), Json::type_error);
  EXPECT_THROW(ReadTextOr(payload, "null", ""), Json::type_error);
  EXPECT_THROW(ReadBoolOr(payload, "n", false), Json::type_error);
  EXPECT_THROW(ReadBoolOr(payload, "s", false), Json::type_error);
  EXPECT_THROW(ReadNumberOr<int>(payload, "s", 0), Json::type_error);
  EXPECT_THROW(ReadNumberOr<int>(payload, "o", 0), Json::type_error);
  EXPECT_THROW(ReadNumberOr<int>(payload, "null", 0), Json::type_error);
}

struct NumberCase {
  const char* name;
  const char* json;
  int64_t asInt64;
  int32_t asInt32;
  uint32_t asUint32;
};

class NumberConversion : public ::testing::TestWithParam<NumberCase> {};

TEST_P(NumberConversion, CutsFractionsAndSaturates) {
  const Json payload = Json::parse(GetParam().json);
  EXPECT_EQ(ReadNumberOr<int64_t>(payload, "v", 0), GetParam().asInt64);
  EXPECT_EQ(ReadNumberOr<int32_t>(payload, "v", 0), GetParam().asInt32);
  EXPECT_EQ(ReadNumberOr<uint32_t>(payload, "v", 0), GetParam().asUint32);
}

constexpr int32_t kMax32 = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin32 = std::numeric_limits<int32_t>::min();
constexpr uint32_t kMaxU32 = std::numeric_limits<uint32_t>::max();

INSTANTIATE_TEST_SUITE_P(
    ReadNumberOr, NumberConversion,
    ::testing::Values(
        NumberCase{"plain", R"({"v":15})", 15, 15, 15},
        NumberCase{"fraction_cut", R"({"v":15.9})", 15, 15, 15},
        NumberCase{"negative_fraction_cut", R"({"v":-15.9})", -15, -15, 0},
        NumberCase{"boolean_true", R"({"v":true})", 1, 1, 1},
        NumberCase{"boolean_false", R"({"v":false})", 0, 0, 0},
        // A snooze of 4294967297 minutes must not wrap to 1.
        NumberCase{"wraps_in_32_bits", R"({"v":4294967297})", 4294967297, kMax32, kMaxU32},
        NumberCase{"huge_negative", R"({"v":-4294967297})", -4294967297, kMin32, 0},
        NumberCase{"beyond_int64", R"({"v":18446744073709551615})", kMax64, kMax32, kMaxU32},
        NumberCase{"huge_float", R"({"v":1e300})", kMax64, kMax32, kMaxU32},
        NumberCase{"huge_negative_float", R"({"v":-1e300})", kMin64, kMin32, 0}),
    nubo::testing::CaseName());

struct TextCase {
  const char* name;
  std::string text;
  bool expected;
};

class Identifier : public ::testing::TestWithParam<TextCase> {};
TEST_P(Identifier, Classifies) { EXPECT_EQ(IsValidIdentifier(GetParam().text), GetParam().expected); }
INSTANTIATE_TEST_SUITE_P(
    IsValidIdentifier, Identifier,
    ::testing::Values(TextCase{"empty", "", false}, TextCase{"simple", "custom-1_A", true},
                      TextCase{"max", std::string(64, 'a'), true},
                      TextCase{"too_long", std::string(65, 'a'), false},
                      TextCase{"space", "a b", false}, TextCase{"dot", "a.b", false},
                      TextCase{"non_ascii", "朵", false}),
    nubo::testing::CaseName());

struct DisplayNameCase {
  const char* name;
  std::string text;
  size_t maxCodePoints;
  bool expected;
};

class DisplayName : public ::testing::TestWithParam<DisplayNameCase> {};
TEST_P(DisplayName, Classifies) {
  EXPECT_EQ(IsValidDisplayName(GetParam().text, GetParam().maxCodePoints), GetParam().expected);
}

std::string Repeat(const std::string& piece, int count) {
  std::string out;
  for (int i = 0; i < count; ++i) out += piece;
  return out;
}

INSTANTIATE_TEST_SUITE_P(
    IsValidDisplayName, DisplayName,
    ::testing::Values(DisplayNameCase{"empty", "", 16, false},
                      DisplayNameCase{"zero_limit", "a", 0, false},
                      DisplayNameCase{"sixteen_cjk", Repeat("朵", 16), 16, true},
                      DisplayNameCase{"seventeen_cjk", Repeat("朵", 17), 16, false},
                      DisplayNameCase{"white_space_only", "   ", 16, false},
                      DisplayNameCase{"tab", "a\tb", 16, false},
                      DisplayNameCase{"delete_char", "a\x7F", 16, false},
                      DisplayNameCase{"inner_space", "a b", 16, true},
                      DisplayNameCase{"high_byte_counts_as_visible", " \xE6\x9C\xB5 ", 16, true},
                      DisplayNameCase{"byte_cap_four_per_code_point", std::string(65, 'a'), 16, false},
                      DisplayNameCase{"code_point_cap", std::string(17, 'a'), 16, false}),
    nubo::testing::CaseName());

TEST(IsValidHostText, AppliesByteRules) {
  EXPECT_TRUE(IsValidHostText("", true));
  EXPECT_FALSE(IsValidHostText("", false));
  EXPECT_TRUE(IsValidHostText("127.0.0.1", false));
  EXPECT_TRUE(IsValidHostText(std::string(253, 'h'), false));
  EXPECT_FALSE(IsValidHostText(std::string(254, 'h'), false));
  EXPECT_FALSE(IsValidHostText("a b", false));
  EXPECT_FALSE(IsValidHostText("a\x7F", false));
  EXPECT_TRUE(IsValidHostText("例子.测试", false));
}

TEST(WorkspaceValidators, AcceptExactlyTheKnownWords) {
  for (const char* view : {"toolbox", "today", "all", "status", "settings", "account"}) {
    EXPECT_TRUE(IsKnownWorkspaceView(view)) << view;
  }
  for (const char* view : {"", "marketplace", "Today", "today "}) {
    EXPECT_FALSE(IsKnownWorkspaceView(view)) << view;
  }
  for (const char* category : {"", "data", "network", "system", "file-conversion"}) {
    EXPECT_TRUE(IsKnownToolCategory(category)) << category;
  }
  EXPECT_FALSE(IsKnownToolCategory("files"));
  for (const char* size : {"compact", "comfortable", "large"}) EXPECT_TRUE(IsValidTextSize(size));
  EXPECT_FALSE(IsValidTextSize("huge"));
  for (const char* theme : {"warm", "cloud", "rose"}) EXPECT_TRUE(IsValidTheme(theme));
  EXPECT_FALSE(IsValidTheme("dark"));
  EXPECT_FALSE(IsValidTheme(""));
}

struct DecimalCase {
  const char* name;
  std::string text;
  bool accepted;
  uint64_t value;
};

class Decimal : public ::testing::TestWithParam<DecimalCase> {};
TEST_P(Decimal, ParsesStrictly) {
  uint64_t out = 99;
  EXPECT_EQ(ParseDecimalUInt64(GetParam().text, out), GetParam().accepted);
  EXPECT_EQ(out, GetParam().accepted ? GetParam().value : 99u);
}
INSTANTIATE_TEST_SUITE_P(
    ParseDecimalUInt64, Decimal,
    ::testing::Values(DecimalCase{"empty_is_zero", "", true, 0},
                      DecimalCase{"digits", "0012", true, 12},
                      DecimalCase{"max", "18446744073709551615", true, 18446744073709551615u},
                      DecimalCase{"overflow", "18446744073709551616", false, 0},
                      DecimalCase{"sign", "+1", false, 0}, DecimalCase{"minus", "-1", false, 0},
                      DecimalCase{"space", " 1", false, 0},
                      DecimalCase{"embedded_nul", std::string("5\0", 2), false, 0}),
    nubo::testing::CaseName());

}  // namespace
}  // namespace nubo
