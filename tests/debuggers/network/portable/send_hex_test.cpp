#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "store/hex_text.h"
#include "debuggers/network/send_hex.h"
#include "tests/support/case_name.h"

namespace nubo {
namespace {

struct HexCase {
  std::string name;
  std::string text;
  std::string outcome;  // the bytes as lower-case hex, or the error text
};

std::ostream& operator<<(std::ostream& out, const HexCase& value) { return out << value.name; }

std::string Parse(const std::string& text) {
  std::vector<uint8_t> bytes{0xEE};
  std::string error;
  if (!NetworkParseSendHex(text, bytes, error)) {
    EXPECT_EQ(bytes, std::vector<uint8_t>{0xEE}) << "a refused text leaves the output alone";
    return error;
  }
  return ToLowerHex(bytes.data(), bytes.size());
}

class SendHexParseTest : public ::testing::TestWithParam<HexCase> {};

TEST_P(SendHexParseTest, Parses) { EXPECT_EQ(Parse(GetParam().text), GetParam().outcome); }

INSTANTIATE_TEST_SUITE_P(
    Texts, SendHexParseTest,
    ::testing::Values(HexCase{"prefix_and_separators", "0x41 42-43:44_45", "4142434445"},
                      HexCase{"upper_prefix_and_digits", "0XABcd", "abcd"},
                      HexCase{"every_white_space", "\t4\n1\v\f\r 42", "4142"},
                      HexCase{"prefix_after_separators", " - 0x01", "01"},
                      HexCase{"digits_split_by_separator", "4-1", "41"},
                      HexCase{"odd_digits", "41 4", "十六进制数字数量必须为偶数。"},
                      HexCase{"lone_prefix", "0x", "请输入需要发送的数据。"},
                      HexCase{"empty", "", "请输入需要发送的数据。"},
                      HexCase{"separators_only", " :-_", "请输入需要发送的数据。"},
                      HexCase{"invalid_character", "4g", "十六进制数据包含无效字符。"},
                      HexCase{"second_prefix", "41 0x42", "十六进制数据包含无效字符。"},
                      HexCase{"prefix_twice", "0x0x41", "十六进制数据包含无效字符。"},
                      HexCase{"lone_zero", "0", "十六进制数字数量必须为偶数。"},
                      HexCase{"zero_then_x_after_digit", "00x1", "十六进制数据包含无效字符。"},
                      HexCase{"nul_byte", std::string("41\0" "42", 5), "十六进制数据包含无效字符。"},
                      HexCase{"non_ascii", "41\xC3\xA9", "十六进制数据包含无效字符。"}),
    testing::CaseName());

TEST(SendHexParse, SixtyFourKibibytesAtMost) {
  std::string text;
  for (int i = 0; i < 65536; ++i) text += i % 2 == 0 ? "ab " : "cd-";
  EXPECT_EQ(Parse(text).size(), 2u * 65536);
  EXPECT_EQ(Parse(text + "ef"), "单次发送不能超过 64 KiB。");
  EXPECT_EQ(Parse(text + "e"), "十六进制数字数量必须为偶数。");  // a half byte more is no byte more
}

TEST(HexText, LowerCaseDigitsTwoPerByte) {
  const uint8_t bytes[] = {0x00, 0x0F, 0xA0, 0xFF};
  EXPECT_EQ(ToLowerHex(bytes, sizeof(bytes)), "000fa0ff");
  EXPECT_EQ(ToLowerHex(nullptr, 0), "");
}

}  // namespace
}  // namespace nubo
