#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <cstring>
#include <string>
#include <vector>

#include "datatools/packet/packet_text_input.h"
#include "tests/support/case_name.h"

namespace nubo {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

TEST(PacketParseMode, AcceptsExactlyTheModeNames) {
  const char* names[] = {"auto", "ethernet", "ipv4", "ipv6", "tcp", "udp", "raw"};
  for (std::uint32_t i = 0; i < 7; ++i) {
    PacketMode mode = PacketMode::kRaw;
    EXPECT_EQ(PacketParseMode(names[i], &mode), 0) << names[i];
    EXPECT_EQ(static_cast<std::uint32_t>(mode), i);
  }
}

TEST(PacketParseMode, RefusesEverythingElse) {
  for (const char* text : {"", "Auto", "AUTO", " auto", "auto ", "ipv", "ipv44", "unknown",
                           "ethernet\n", "icmp", "arp"}) {
    PacketMode mode = PacketMode::kUdp;
    EXPECT_EQ(PacketParseMode(text, &mode), -1) << text;
    EXPECT_EQ(mode, PacketMode::kUdp);
  }
  PacketMode mode;
  EXPECT_EQ(PacketParseMode(nullptr, &mode), -1);
  EXPECT_EQ(PacketParseMode("auto", nullptr), -1);
}

TEST(PacketHexCapacity, IsHalfTheTextPlusOne) {
  EXPECT_EQ(PacketHexCapacity(0), 1u);
  EXPECT_EQ(PacketHexCapacity(1), 1u);
  EXPECT_EQ(PacketHexCapacity(2), 2u);
  EXPECT_EQ(PacketHexCapacity(7), 4u);
  EXPECT_EQ(PacketHexCapacity(1048576), 524289u);
}

struct HexCase {
  const char* name;
  std::string text;
  std::int64_t status;
  std::vector<std::uint8_t> bytes;
};

class PacketParseHexCases : public ::testing::TestWithParam<HexCase> {};

TEST_P(PacketParseHexCases, Reads) {
  const HexCase& c = GetParam();
  std::vector<std::uint8_t> out(PacketHexCapacity(c.text.size()), 0xEE);
  const std::int64_t status = PacketParseHex(c.text.data(), c.text.size(), out.data(), out.size());
  EXPECT_EQ(status, c.status);
  if (status >= 0) {
    out.resize(static_cast<std::size_t>(status));
    EXPECT_THAT(out, ElementsAreArray(c.bytes));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, PacketParseHexCases,
    ::testing::Values(
        HexCase{"empty", "", 0, {}},
        HexCase{"only_separators", " \t\r\n\v\f,-:_", 0, {}},
        HexCase{"plain_pairs", "4500000a", 4, {0x45, 0x00, 0x00, 0x0A}},
        HexCase{"mixed_case", "aBcD", 2, {0xAB, 0xCD}},
        HexCase{"prefixed_with_separators", "0x45,0x00:0a-ff", 4, {0x45, 0x00, 0x0A, 0xFF}},
        HexCase{"upper_prefix", "0X45 0Xff", 2, {0x45, 0xFF}},
        HexCase{"separator_inside_a_byte", "4 5", 1, {0x45}},
        HexCase{"underscores", "de_ad_be_ef", 4, {0xDE, 0xAD, 0xBE, 0xEF}},
        HexCase{"prefix_alone", "0x", 0, {}},
        HexCase{"prefix_then_zero_digit", "0x00", 1, {0x00}},
        HexCase{"zero_while_half_byte_pending", "40x", -2, {}},
        HexCase{"zero_pair_then_x", "00x1", -2, {}},
        HexCase{"prefix_after_a_byte", "450x00", 2, {0x45, 0x00}},
        HexCase{"odd_digit_after_prefix", "0x4", -4, {}},
        HexCase{"odd_digits", "abc", -4, {}},
        HexCase{"not_hex", "4g", -2, {}},
        HexCase{"not_hex_later", "45 00 zz", -2, {}},
        HexCase{"dot_is_not_a_separator", "45.00", -2, {}},
        HexCase{"semicolon_is_not_a_separator", "45;00", -2, {}},
        HexCase{"non_ascii", "45\xC3\xA9", -2, {}},
        HexCase{"nul_inside", std::string("45\0" "00", 5), -2, {}},
        HexCase{"lone_x", "x45", -2, {}}),
    nubo::testing::CaseName());

TEST(PacketParseHex, RefusesNullArguments) {
  std::uint8_t out[4];
  EXPECT_EQ(PacketParseHex(nullptr, 0, out, sizeof out), -1);
  EXPECT_EQ(PacketParseHex("45", 2, nullptr, 4), -1);
}

TEST(PacketParseHex, StopsWhenTheOutputIsFull) {
  std::uint8_t out[2] = {0, 0};
  EXPECT_EQ(PacketParseHex("010203", 6, out, sizeof out), -3);
  EXPECT_EQ(PacketParseHex("0102", 4, out, sizeof out), 2);
  EXPECT_EQ(PacketParseHex("0102zz", 6, out, 1), -3);  // full before the bad character
  EXPECT_EQ(PacketParseHex("", 0, out, 0), 0);
}

TEST(PacketParseHex, ReadsOnlyTheGivenCharacters) {
  const char text[] = "4500zz";
  std::uint8_t out[4];
  EXPECT_EQ(PacketParseHex(text, 4, out, sizeof out), 2);
  EXPECT_EQ(PacketParseHex(text, 1, out, sizeof out), -4);
  // A "0" at the very end is a digit, not the start of a prefix.
  EXPECT_EQ(PacketParseHex("0x", 1, out, sizeof out), -4);
}

}  // namespace
}  // namespace nubo
