#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <ostream>
#include <string>

#include "debuggers/common/ipv4_text.h"
#include "tests/support/case_name.h"

namespace nubo {
namespace {

struct Ipv4Case {
  std::string name;
  std::string text;
  bool valid;
  bool multicast;
};

std::ostream& operator<<(std::ostream& out, const Ipv4Case& value) { return out << value.name; }

class StrictIpv4Test : public ::testing::TestWithParam<Ipv4Case> {};

TEST_P(StrictIpv4Test, Classifies) {
  const Ipv4Case& c = GetParam();
  uint32_t address = 0;
  EXPECT_EQ(NetParseIpv4(c.text.c_str(), &address), c.valid ? 1 : 0);
  EXPECT_EQ(NetIsIpv4MulticastText(c.text.c_str()), c.multicast ? 1 : 0);
  EXPECT_EQ(IsIpv4MulticastText(c.text), c.multicast);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, StrictIpv4Test,
    ::testing::Values(Ipv4Case{"plain", "192.168.1.1", true, false},
                      Ipv4Case{"zeros", "0.0.0.0", true, false},
                      Ipv4Case{"highest", "255.255.255.255", true, false},
                      Ipv4Case{"leading_zero", "192.168.01.1", false, false},
                      Ipv4Case{"triple_zero", "000.1.1.1", false, false},
                      Ipv4Case{"part_256", "256.1.1.1", false, false},
                      Ipv4Case{"three_parts", "1.2.3", false, false},
                      Ipv4Case{"five_parts", "1.2.3.4.5", false, false},
                      Ipv4Case{"trailing_point", "1.2.3.4.", false, false},
                      Ipv4Case{"trailing_blank", "1.2.3.4 ", false, false},
                      Ipv4Case{"leading_blank", " 1.2.3.4", false, false},
                      Ipv4Case{"four_digits", "1.2.3.1234", false, false},
                      Ipv4Case{"sign", "+1.2.3.4", false, false},
                      Ipv4Case{"empty_part", "1..3.4", false, false},
                      Ipv4Case{"empty", "", false, false},
                      Ipv4Case{"multicast_lowest", "224.0.0.1", true, true},
                      Ipv4Case{"multicast_base", "224.0.0.0", true, true},
                      Ipv4Case{"multicast_highest", "239.255.255.255", true, true},
                      Ipv4Case{"below_multicast", "223.255.255.255", true, false},
                      Ipv4Case{"above_multicast", "240.0.0.0", true, false}),
    testing::CaseName());

TEST(StrictIpv4, AddressIsInNetworkByteOrder) {
  uint32_t address = 0;
  ASSERT_EQ(NetParseIpv4("192.168.1.2", &address), 1);
  unsigned char bytes[4];
  std::memcpy(bytes, &address, sizeof(bytes));
  EXPECT_EQ(bytes[0], 192);
  EXPECT_EQ(bytes[1], 168);
  EXPECT_EQ(bytes[2], 1);
  EXPECT_EQ(bytes[3], 2);
}

TEST(StrictIpv4, NullArgumentsAndEmbeddedNul) {
  uint32_t address = 0;
  EXPECT_EQ(NetParseIpv4(nullptr, &address), 0);
  EXPECT_EQ(NetParseIpv4("1.2.3.4", nullptr), 0);
  EXPECT_EQ(NetIsIpv4MulticastText(nullptr), 0);
  std::array<uint8_t, 4> octets{};
  EXPECT_FALSE(ParseStrictIpv4(std::string("239.1.2.3\0x", 11), octets));
  EXPECT_FALSE(IsIpv4MulticastText(std::string("239.1.2.3\0", 10)));
}

}  // namespace
}  // namespace nubo
