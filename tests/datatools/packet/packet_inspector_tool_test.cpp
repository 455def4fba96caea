#include <gtest/gtest.h>

#include <string>

#include <nlohmann/json.hpp>

#include "datatools/packet/packet_inspector_texts.h"
#include "datatools/packet/packet_inspector_tool.h"
#include "tests/support/case_name.h"

namespace nubo {
namespace {

using Json = nlohmann::json;

constexpr char kBadMode[] = "报文起始层无效，请选择自动、Ethernet、IPv4、IPv6、TCP、UDP 或原始数据。";
constexpr char kNotHex[] = "报文中包含非十六进制字符；请粘贴规范化 Hex 内容。";
constexpr char kOddDigits[] = "十六进制数字数量必须为偶数，当前末尾缺少半个字节。";
constexpr char kTooLarge[] = "单次报文分析最多支持 256 KB 数据。";

// Ethernet II, IPv4, TCP SYN from 192.168.1.10:1234 to 10.0.0.1:80.
constexpr char kTcpSynFrame[] =
    "00 11 22 33 44 55 66 77 88 99 aa bb 08 00 "
    "45 00 00 28 00 01 00 00 40 06 af 1c c0 a8 01 0a 0a 00 00 01 "
    "04 d2 00 50 00 00 03 e8 00 00 00 00 50 02 20 00 bb 25 00 00";

Json Succeed(std::string_view input, std::string_view operation) {
  const PacketInspectorOutcome outcome = InspectPacketHexDump(input, operation);
  EXPECT_TRUE(outcome.success) << outcome.message;
  EXPECT_TRUE(outcome.message.empty());
  return Json::parse(outcome.output);
}

void ExpectFailure(std::string_view input, std::string_view operation, const std::string& message) {
  const PacketInspectorOutcome outcome = InspectPacketHexDump(input, operation);
  EXPECT_FALSE(outcome.success);
  EXPECT_EQ(outcome.message, message);
  EXPECT_TRUE(outcome.output.empty());
}

struct ModeCase {
  const char* name;
  std::string input;
  const char* protocol;
  int confidence;
  std::size_t layers;
};

class InspectPacketHexDumpModes : public ::testing::TestWithParam<ModeCase> {};

TEST_P(InspectPacketHexDumpModes, DecodesFromTheChosenLayer) {
  const ModeCase& c = GetParam();
  const Json json = Succeed(c.input, c.name);
  EXPECT_EQ(json["mode"], c.name);
  EXPECT_EQ(json["protocol"], c.protocol);
  EXPECT_EQ(json["confidence"], c.confidence);
  EXPECT_EQ(json["layers"].size(), c.layers);
  EXPECT_EQ(json["byteCount"].get<std::size_t>(), json["bytes"].size());
  for (const char* key : {"byteCount", "bytes", "confidence", "fields", "layers", "mode",
                          "protocol", "warnings"}) {
    EXPECT_TRUE(json.contains(key)) << key;
  }
  EXPECT_EQ(json.size(), 8u);
}

INSTANTIATE_TEST_SUITE_P(
    EveryMode, InspectPacketHexDumpModes,
    ::testing::Values(
        ModeCase{"auto", kTcpSynFrame, "Ethernet II / IPv4 / TCP", 98, 3},
        ModeCase{"ethernet", kTcpSynFrame, "Ethernet II / IPv4 / TCP", 65, 3},
        ModeCase{"ipv4", std::string(kTcpSynFrame).substr(42), "IPv4 / TCP", 65, 2},
        ModeCase{"ipv6",
                 "60000000 0008 11 40 fe800000000000000000000000000001 "
                 "ff020000000000000000000000000001 0035 14e9 0008 0000",
                 "IPv6 / UDP", 65, 2},
        ModeCase{"tcp", std::string(kTcpSynFrame).substr(102), "TCP", 65, 1},
        ModeCase{"udp", "0035 14e9 000a 0000 abcd", "UDP", 65, 2},
        ModeCase{"raw", kTcpSynFrame, "Raw bytes", 0, 1}),
    nubo::testing::CaseName());

TEST(InspectPacketHexDump, ModeStaysAutoWhenEthernetIsDetected) {
  const Json json = Succeed(kTcpSynFrame, "auto");
  EXPECT_EQ(json["mode"], "auto");
  EXPECT_EQ(json["layers"][0]["id"], "ethernet");
  EXPECT_EQ(json["bytes"][0], 0);
  EXPECT_EQ(json["bytes"][11], 0xBB);
  EXPECT_EQ(json["fields"][22]["name"], "urgentPointer");
}

TEST(InspectPacketHexDump, SeparatorsOnlyOrNothingDecodeNoBytes) {
  for (std::string_view input : {std::string_view(""), std::string_view(" ,-:_\r\n\t"),
                                 std::string_view()}) {
    const Json json = Succeed(input, "auto");
    EXPECT_EQ(json["byteCount"], 0);
    EXPECT_EQ(json["protocol"], "Empty");
    EXPECT_TRUE(json["bytes"].empty());
    EXPECT_TRUE(json["layers"].empty());
    EXPECT_TRUE(json["fields"].empty());
    ASSERT_EQ(json["warnings"].size(), 1u);
    EXPECT_EQ(json["warnings"][0]["code"], "empty-input");
  }
}

TEST(InspectPacketHexDump, ReadsSeparatorsAndPrefixes) {
  EXPECT_EQ(Succeed("0x45,0x00:0a-ff", "raw")["bytes"], Json::parse("[69,0,10,255]"));
  EXPECT_EQ(Succeed("4 5", "raw")["bytes"], Json::parse("[69]"));
}

struct FailureCase {
  const char* name;
  std::string input;
  std::string operation;
  const char* message;
};

class InspectPacketHexDumpFailures : public ::testing::TestWithParam<FailureCase> {};

TEST_P(InspectPacketHexDumpFailures, AnswersWithTheUsersSentence) {
  ExpectFailure(GetParam().input, GetParam().operation, GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, InspectPacketHexDumpFailures,
    ::testing::Values(
        FailureCase{"empty_mode", "45", "", kBadMode},
        FailureCase{"capitalised_mode", "45", "Auto", kBadMode},
        FailureCase{"mode_with_blank", "45", "ipv4 ", kBadMode},
        FailureCase{"mode_with_nul", "45", std::string("auto\0x", 6), kBadMode},
        FailureCase{"arp_is_no_mode", "45", "arp", kBadMode},
        FailureCase{"bad_mode_before_bad_hex", "zz", "icmp", kBadMode},
        FailureCase{"odd_digits", "0x4", "auto", kOddDigits},
        FailureCase{"odd_digits_long", "45 00 1", "raw", kOddDigits},
        FailureCase{"not_hex", "4g", "auto", kNotHex},
        FailureCase{"not_hex_before_odd", "450 g", "auto", kNotHex},
        FailureCase{"non_ascii", "45 \xE4\xB8\xAD", "auto", kNotHex}),
    nubo::testing::CaseName());

// A null text (-1) or a full output (-3) cannot come from the tool's own
// buffer, which always has room; they still read as a parse failure.
TEST(InspectPacketHexDump, EveryParseStatusHasItsText) {
  EXPECT_EQ(packet_inspector::ParseFailureText(-1), "十六进制报文解析失败，请检查输入长度与格式。");
  EXPECT_EQ(packet_inspector::ParseFailureText(-2), kNotHex);
  EXPECT_EQ(packet_inspector::ParseFailureText(-3), "十六进制报文解析失败，请检查输入长度与格式。");
  EXPECT_EQ(packet_inspector::ParseFailureText(-4), kOddDigits);
}

TEST(InspectPacketHexDump, AcceptsExactly256KiB) {
  const std::string digits(524288, 'a');
  const PacketInspectorOutcome outcome = InspectPacketHexDump(digits, "raw");
  ASSERT_TRUE(outcome.success) << outcome.message;
  const Json json = Json::parse(outcome.output);
  EXPECT_EQ(json["byteCount"], 262144);
  EXPECT_EQ(json["bytes"].size(), 262144u);
  EXPECT_EQ(json["bytes"][262143], 0xAA);
  EXPECT_EQ(json["layers"][0]["length"], 262144);
}

TEST(InspectPacketHexDump, RefusesOneByteMore) {
  ExpectFailure(std::string(524290, 'a'), "raw", kTooLarge);
  ExpectFailure(std::string(524290, 'a'), "auto", kTooLarge);
}

TEST(InspectPacketHexDump, LimitCountsDecodedBytesNotCharacters) {
  // 786,431 characters with blanks hold exactly 262,144 bytes.
  std::string spaced;
  for (int i = 0; i < 262144; ++i) spaced += i == 0 ? "ff" : " ff";
  const PacketInspectorOutcome outcome = InspectPacketHexDump(spaced, "auto");
  ASSERT_TRUE(outcome.success) << outcome.message;
  EXPECT_EQ(Json::parse(outcome.output)["byteCount"], 262144);
}

TEST(InspectPacketHexDump, ParseErrorsComeBeforeTheSizeLimit) {
  ExpectFailure(std::string(524290, 'a') + "g", "raw", kNotHex);
  ExpectFailure(std::string(524291, 'a'), "raw", kOddDigits);
}

}  // namespace
}  // namespace nubo
