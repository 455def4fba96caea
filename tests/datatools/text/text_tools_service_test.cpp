#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "datatools/text/text_tool_texts.h"
#include "datatools/text/text_tools_service.h"
#include "store/file_utils.h"
#include "tests/datatools/text/core_test_support.h"
#include "tests/support/case_name.h"

namespace nubo {
namespace {

// Random bytes from a script: each Fill takes the next rule.
class ScriptedRandom final : public RandomSource {
 public:
  enum class Rule { kCounting, kAll255, kFail };

  explicit ScriptedRandom(std::vector<Rule> rules, Rule then = Rule::kCounting)
      : rules_(std::move(rules)), then_(then) {}

  bool Fill(uint8_t* out, size_t length) override {
    const Rule rule = calls_ < rules_.size() ? rules_[calls_] : then_;
    ++calls_;
    lengths_.push_back(length);
    if (rule == Rule::kFail) return false;
    for (size_t i = 0; i < length; ++i) {
      out[i] = rule == Rule::kAll255 ? 255 : static_cast<uint8_t>(next_++ * 73 + 19);
    }
    return true;
  }

  size_t calls() const { return calls_; }
  const std::vector<size_t>& lengths() const { return lengths_; }

 private:
  std::vector<Rule> rules_;
  Rule then_;
  size_t calls_ = 0;
  unsigned next_ = 0;
  std::vector<size_t> lengths_;
};

using Rule = ScriptedRandom::Rule;

ToolResult Execute(std::string_view tool, std::string_view operation, std::string_view input,
               bool urlSafe = false, bool padded = true) {
  return ExecuteTool(tool, operation, input, urlSafe, padded);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

// ---- every failure text and every success, by table

struct OperationCase {
  const char* name;
  std::string tool;
  std::string operation;
  std::string input;
  bool success;
  std::string text;  // output on success, message on failure
};

class Operations : public ::testing::TestWithParam<OperationCase> {};

TEST_P(Operations, Answer) {
  const OperationCase& c = GetParam();
  const ToolResult result = Execute(c.tool, c.operation, c.input);
  EXPECT_EQ(result.success, c.success);
  if (c.success) {
    EXPECT_EQ(result.output, c.text);
    EXPECT_EQ(result.message, "");
  } else {
    EXPECT_EQ(result.message, c.text);
    EXPECT_EQ(result.output, "");
  }
}

constexpr char kNotConnected[] = "这个工具操作尚未接入本地核心。";
constexpr char kNotUtf8[] = "解码结果不是 UTF-8 文本，二进制模式将在后续版本提供。";

INSTANTIATE_TEST_SUITE_P(
    TextTools, Operations,
    ::testing::Values(
        // Base64
        OperationCase{"base64_encode", "base64", "encode", "foobar", true, "Zm9vYmFy"},
        OperationCase{"base64_encode_empty", "base64", "encode", "", true, ""},
        OperationCase{"base64_decode_chinese", "base64", "decode", "5L2g5aW977yM5LiW55WM", true,
                      "你好，世界"},
        OperationCase{"base64_decode_lenient", "base64", "decode", "Zm9v\r\nYg==junk", true, "foob"},
        OperationCase{"base64_decode_empty", "base64", "decode", "", true, ""},
        OperationCase{"base64_decode_malformed", "base64", "decode", "Zm9v!", false,
                      "Base64 内容格式不正确。"},
        OperationCase{"base64_decode_byte_ff", "base64", "decode", "/w==", false, kNotUtf8},
        // Hex
        OperationCase{"hex_encode", "hex", "encode", "\xe4\xbd\xa0", true, "e4bda0"},
        OperationCase{"hex_encode_empty", "hex", "encode", "", true, ""},
        OperationCase{"hex_decode", "hex", "decode", "0xE4BD_A0 e5a5bd", true, "你好"},
        OperationCase{"hex_decode_prefix_only", "hex", "decode", "0x", true, ""},
        OperationCase{"hex_decode_empty", "hex", "decode", "", true, ""},
        OperationCase{"hex_decode_odd", "hex", "decode", "abc", false,
                      "Hex 内容必须由成对的十六进制数字组成。"},
        OperationCase{"hex_decode_bad_digit", "hex", "decode", "4g", false,
                      "Hex 内容必须由成对的十六进制数字组成。"},
        OperationCase{"hex_decode_byte_ff", "hex", "decode", "ff", false, kNotUtf8},
        OperationCase{"hex_decode_surrogate", "hex", "decode", "eda080", false, kNotUtf8},
        OperationCase{"hex_decode_overlong", "hex", "decode", "c0af", false, kNotUtf8},
        // Hashes
        OperationCase{"md5_empty", "hash", "md5", "", true, "d41d8cd98f00b204e9800998ecf8427e"},
        OperationCase{"md5_abc", "hash", "md5", "abc", true, "900150983cd24fb0d6963f7d28e17f72"},
        OperationCase{"md5_binary", "hash", "md5", std::string("\x00\xff\x80\n", 4), true,
                      "1f6d00cbabcca8fc08047742afdf6cf0"},
        OperationCase{"sha256_empty", "hash", "sha256", "", true,
                      "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        OperationCase{"sha256_untrimmed", "hash", "sha256", "abc\n", true,
                      "edeaaff3f1774ad2888673770c6d64097e391bc362d7d6fb34982ddf0efd18cb"},
        // URL
        OperationCase{"url_component", "url-encode", "encode-component", "a b/é", true,
                      "a%20b%2F%C3%A9"},
        OperationCase{"url_whole", "url-encode", "encode-url", "a b/é?x=1", true,
                      "a%20b/%C3%A9?x=1"},
        OperationCase{"url_encode_empty", "url-encode", "encode-url", "", true, ""},
        OperationCase{"url_decode", "url-encode", "decode", "a+b%2B%E4%BD%A0", true, "a b+你"},
        OperationCase{"url_decode_empty", "url-encode", "decode", "", true, ""},
        OperationCase{"url_decode_truncated", "url-encode", "decode", "abc%2", false,
                      "URL 转义格式不正确，请检查百分号后的十六进制数字。"},
        OperationCase{"url_decode_not_digits", "url-encode", "decode", "%zz", false,
                      "URL 转义格式不正确，请检查百分号后的十六进制数字。"},
        OperationCase{"url_decode_byte_ff", "url-encode", "decode", "%FF", false,
                      "URL 解码结果不是有效的 UTF-8 文本。"},
        // Timestamps
        OperationCase{"epoch_seconds", "timestamp", "seconds", "0", true, "1970-01-01T00:00:00.000Z"},
        OperationCase{"minus_one_ms", "timestamp", "milliseconds", "-1", true,
                      "1969-12-31T23:59:59.999Z"},
        OperationCase{"last_second", "timestamp", "seconds", "253402300799", true,
                      "9999-12-31T23:59:59.000Z"},
        OperationCase{"after_last_second", "timestamp", "seconds", "253402300800", false,
                      "时间戳超出当前支持的 UTC 日期范围。"},
        OperationCase{"blanks_around", "timestamp", "seconds", " \t951782400\n", true,
                      "2000-02-29T00:00:00.000Z"},
        OperationCase{"exponent", "timestamp", "seconds", "1e3", false, "时间戳必须是完整的十进制整数。"},
        OperationCase{"timestamp_empty", "timestamp", "seconds", "", false,
                      "时间戳必须是完整的十进制整数。"},
        OperationCase{"nul_inside", "timestamp", "seconds", std::string("5\0x", 3), false,
                      "时间戳必须是完整的十进制整数。"},
        OperationCase{"int64_min_ms", "timestamp", "milliseconds", "-9223372036854775808", false,
                      "时间戳超出当前支持的 UTC 日期范围。"},
        OperationCase{"beyond_int64", "timestamp", "milliseconds", "9223372036854775808", false,
                      "时间戳必须是完整的十进制整数。"},
        // UUID and password counts
        OperationCase{"uuid_zero", "uuid", "v4", "0", false, "UUID 数量需要是 1 到 50 之间的整数。"},
        OperationCase{"uuid_51", "uuid", "v7", "51", false, "UUID 数量需要是 1 到 50 之间的整数。"},
        OperationCase{"uuid_empty", "uuid", "v4", "", false, "UUID 数量需要是 1 到 50 之间的整数。"},
        OperationCase{"uuid_fraction", "uuid", "v4", "2.0", false, "UUID 数量需要是 1 到 50 之间的整数。"},
        OperationCase{"password_3", "password", "strong", "3", false,
                      "密码长度需要是 4 到 128 之间的整数。"},
        OperationCase{"password_129", "password", "pin", "129", false,
                      "密码长度需要是 4 到 128 之间的整数。"},
        OperationCase{"password_empty", "password", "letters-digits", "", false,
                      "密码长度需要是 4 到 128 之间的整数。"},
        // Names are matched byte for byte
        OperationCase{"tool_case", "Base64", "encode", "x", false, kNotConnected},
        OperationCase{"operation_case", "hash", "MD5", "x", false, kNotConnected},
        OperationCase{"operation_trailing_blank", "hash", "md5 ", "x", false, kNotConnected},
        OperationCase{"unknown_tool", "rot13", "encode", "x", false, kNotConnected},
        OperationCase{"operation_of_another_tool", "hex", "md5", "x", false, kNotConnected},
        OperationCase{"packet_unknown_layer", "packet-inspector", "arp", "00", false, kNotConnected}),
    nubo::testing::CaseName());

TEST(TextTools, Base64EncoderReadsBothFlags) {
  const std::string data("\xfb\xff\xbf\xfb", 4);
  EXPECT_EQ(Execute("base64", "encode", data, false, true).output, "+/+/+w==");
  EXPECT_EQ(Execute("base64", "encode", data, true, true).output, "-_-_-w==");
  EXPECT_EQ(Execute("base64", "encode", data, true, false).output, "-_-_-w");
  EXPECT_EQ(Execute("base64", "encode", data, false, false).output, "+/+/+w");
  // The decoder ignores them.
  EXPECT_EQ(Execute("base64", "decode", "Zm9v", true, false).output, "foo");
}

// ---- the 1 MB limit

TEST(TextTools, ExactlyOneMegabyteIsProcessed) {
  const std::string input(1048576, 'a');
  const ToolResult sha = Execute("hash", "sha256", input);
  ASSERT_TRUE(sha.success) << sha.message;
  EXPECT_EQ(sha.output, "9bc1b2a288b26af7257a36277ae3816a7d4f16e89c1e7e77d0a5c48bad62b360");
  const ToolResult encoded = Execute("base64", "encode", input);
  ASSERT_TRUE(encoded.success);
  EXPECT_EQ(encoded.output.size(), 1398104u);
  const ToolResult url = Execute("url-encode", "encode-component", std::string(1048576, ' '));
  ASSERT_TRUE(url.success);
  EXPECT_EQ(url.output.size(), 3u * 1048576u);
}

TEST(TextTools, OneByteMoreIsRefusedBeforeTheNameIsLookedAt) {
  const std::string input(1048577, 'a');
  for (const auto& [tool, operation] : std::vector<std::pair<std::string, std::string>>{
           {"hash", "sha256"}, {"base64", "decode"}, {"no-such-tool", "x"}, {"", ""}}) {
    const ToolResult result = Execute(tool, operation, input);
    EXPECT_FALSE(result.success);
    EXPECT_EQ(result.message, "当前工具单次最多处理 1 MB 文本。") << tool;
  }
}

// ---- UUIDs

TEST(TextTools, FiftyVersion4UuidsAreDistinctWithTheirVersionAndVariant) {
  const ToolResult result = Execute("uuid", "v4", "50");
  ASSERT_TRUE(result.success) << result.message;
  EXPECT_NE(result.output.back(), '\n');
  const std::vector<std::string> lines = Lines(result.output);
  ASSERT_EQ(lines.size(), 50u);
  EXPECT_EQ(result.output.size(), 50u * 36u + 49u);
  const std::set<std::string> distinct(lines.begin(), lines.end());
  EXPECT_EQ(distinct.size(), 50u);
  for (const std::string& uuid : lines) {
    ASSERT_EQ(uuid.size(), 36u);
    EXPECT_EQ(uuid[8], '-');
    EXPECT_EQ(uuid[13], '-');
    EXPECT_EQ(uuid[18], '-');
    EXPECT_EQ(uuid[23], '-');
    EXPECT_EQ(uuid[14], '4') << uuid;
    EXPECT_NE(std::string("89ab").find(uuid[19]), std::string::npos) << uuid;
  }
}

TEST(TextTools, Version7UuidsCarryTheCurrentTime) {
  const int64_t before = NowMilliseconds();
  const ToolResult result = Execute("uuid", "v7", "50");
  const int64_t after = NowMilliseconds();
  ASSERT_TRUE(result.success) << result.message;
  const std::vector<std::string> lines = Lines(result.output);
  ASSERT_EQ(lines.size(), 50u);
  EXPECT_EQ(std::set<std::string>(lines.begin(), lines.end()).size(), 50u);
  int64_t previous = 0;
  for (const std::string& uuid : lines) {
    EXPECT_EQ(uuid[14], '7') << uuid;
    EXPECT_NE(std::string("89ab").find(uuid[19]), std::string::npos) << uuid;
    const int64_t time = std::stoll(uuid.substr(0, 8) + uuid.substr(9, 4), nullptr, 16);
    EXPECT_GE(time, before);
    EXPECT_LE(time, after);
    EXPECT_GE(time, previous);  // never earlier than the UUID before it
    previous = time;
  }
}

TEST(TextTools, UuidsTakeFreshRandomBytesOfTheirVersionsSize) {
  ScriptedRandom v4({});
  ASSERT_TRUE(ExecuteTool("uuid", "v4", "3", false, true, v4).success);
  EXPECT_EQ(v4.lengths(), (std::vector<size_t>{16, 16, 16}));
  ScriptedRandom v7({});
  ASSERT_TRUE(ExecuteTool("uuid", "v7", " 2 ", false, true, v7).success);
  EXPECT_EQ(v7.lengths(), (std::vector<size_t>{10, 10}));
}

TEST(TextTools, AFailingGeneratorDiscardsTheUuidsMadeSoFar) {
  ScriptedRandom random({Rule::kCounting, Rule::kCounting, Rule::kFail});
  const ToolResult result = ExecuteTool("uuid", "v4", "5", false, true, random);
  EXPECT_FALSE(result.success);
  EXPECT_EQ(result.message, "Windows 安全随机数生成失败。");
  EXPECT_EQ(result.output, "");
  EXPECT_EQ(random.calls(), 3u);
}

// ---- passwords

using testing::CountOf;
constexpr const char* kLower = testing::kLowerLetters;
constexpr const char* kUpper = testing::kUpperLetters;
constexpr const char* kDigits = testing::kDigitCharacters;
constexpr const char* kSymbols = testing::kSymbolCharacters;

TEST(TextTools, StrongPasswordOfFourHoldsOneOfEachClass) {
  for (int round = 0; round < 20; ++round) {
    const ToolResult result = Execute("password", "strong", "4");
    ASSERT_TRUE(result.success) << result.message;
    ASSERT_EQ(result.output.size(), 4u);
    EXPECT_EQ(CountOf(result.output, kLower), 1u) << result.output;
    EXPECT_EQ(CountOf(result.output, kUpper), 1u) << result.output;
    EXPECT_EQ(CountOf(result.output, kDigits), 1u) << result.output;
    EXPECT_EQ(CountOf(result.output, kSymbols), 1u) << result.output;
  }
}

TEST(TextTools, PasswordKindsUseTheirClasses) {
  const ToolResult strong = Execute("password", "strong", "128");
  ASSERT_TRUE(strong.success);
  ASSERT_EQ(strong.output.size(), 128u);
  for (const char* set : {kLower, kUpper, kDigits, kSymbols}) EXPECT_GT(CountOf(strong.output, set), 0u);

  const ToolResult lettersDigits = Execute("password", "letters-digits", "64");
  ASSERT_TRUE(lettersDigits.success);
  EXPECT_EQ(lettersDigits.output.size(), 64u);
  EXPECT_EQ(CountOf(lettersDigits.output, kSymbols), 0u);
  for (const char* set : {kLower, kUpper, kDigits}) EXPECT_GT(CountOf(lettersDigits.output, set), 0u);

  const ToolResult pin = Execute("password", "pin", "16");
  ASSERT_TRUE(pin.success);
  EXPECT_EQ(pin.output.size(), 16u);
  EXPECT_EQ(CountOf(pin.output, kDigits), 16u);
}

TEST(TextTools, PasswordAttemptsTakeFreshBlocksOfTheRightSize) {
  ScriptedRandom random({Rule::kAll255, Rule::kAll255});
  const ToolResult result = ExecuteTool("password", "strong", "10", false, true, random);
  ASSERT_TRUE(result.success) << result.message;  // the third attempt succeeds
  EXPECT_EQ(result.output.size(), 10u);
  EXPECT_EQ(random.lengths(), (std::vector<size_t>{224, 224, 224}));
}

TEST(TextTools, FourExhaustedAttemptsGiveTheRetryText) {
  ScriptedRandom random({}, Rule::kAll255);
  const ToolResult result = ExecuteTool("password", "pin", "128", false, true, random);
  EXPECT_FALSE(result.success);
  EXPECT_EQ(result.message, "密码生成失败，请重试。");
  EXPECT_EQ(random.calls(), 4u);
  EXPECT_EQ(random.lengths().front(), 2112u);
}

TEST(TextTools, AFailingGeneratorStopsThePassword) {
  ScriptedRandom random({Rule::kAll255, Rule::kFail});
  const ToolResult result = ExecuteTool("password", "strong", "8", false, true, random);
  EXPECT_FALSE(result.success);
  EXPECT_EQ(result.message, "Windows 安全随机数生成失败。");
  EXPECT_EQ(random.calls(), 2u);
}

// ---- the packet inspector's rows

TEST(TextTools, PacketInspectorRowsDecodeEveryStartLayer) {
  // An IPv4 header with no payload, read from each start layer the tool offers.
  const std::string ipv4 = "45 00 00 14 00 01 00 00 40 06 7c e1 7f 00 00 01 7f 00 00 01";
  for (const char* layer : {"auto", "ethernet", "ipv4", "ipv6", "tcp", "udp", "raw"}) {
    const ToolResult result = Execute("packet-inspector", layer, ipv4);
    EXPECT_TRUE(result.success) << layer << ": " << result.message;
    EXPECT_EQ(result.output.front(), '{') << layer;
    const nlohmann::json json = nlohmann::json::parse(result.output, nullptr, false);
    ASSERT_TRUE(json.is_object()) << layer << ": " << result.output;
    EXPECT_EQ(json.value("mode", std::string()), layer);
  }
  const ToolResult bad = Execute("packet-inspector", "auto", "zz");
  EXPECT_FALSE(bad.success);
  EXPECT_FALSE(bad.message.empty());
  EXPECT_EQ(Execute("packet-inspector", "AUTO", ipv4).message, kNotConnected);
}

}  // namespace
}  // namespace nubo
