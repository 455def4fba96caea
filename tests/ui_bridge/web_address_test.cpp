#include <gtest/gtest.h>

#include "tests/support/case_name.h"
#include "ui_bridge/web_address.h"

namespace nubo {
namespace {

struct AddressCase {
  const char* name;
  std::string text;
  bool valid;
};

class WebUrl : public ::testing::TestWithParam<AddressCase> {};
TEST_P(WebUrl, Classifies) { EXPECT_EQ(IsValidWebUrl(GetParam().text), GetParam().valid); }

INSTANTIATE_TEST_SUITE_P(
    IsValidWebUrl, WebUrl,
    ::testing::Values(
        AddressCase{"empty", "", true},
        AddressCase{"full", "HTTPS://Example.COM:8080/path/x?q=1&r=%20#frag", true},
        AddressCase{"plain_http", "http://example.com", true},
        AddressCase{"user_info", "https://user@example.com/", false},
        AddressCase{"user_and_password", "https://user:pw@example.com/", false},
        AddressCase{"port_zero", "https://example.com:0/", false},
        AddressCase{"port_max", "https://example.com:65535/", true},
        AddressCase{"port_too_big", "https://example.com:65536/", false},
        AddressCase{"port_six_digits", "https://example.com:000080/", false},
        AddressCase{"port_empty", "https://example.com:/", false},
        AddressCase{"ipv6_loopback", "http://[::1]:80/", true},
        AddressCase{"ipv6_no_port", "http://[2001:db8::ff00:42:8329]", true},
        AddressCase{"ipv6_unclosed", "http://[::1/", false},
        AddressCase{"ipv6_junk_after", "http://[::1]x/", false},
        AddressCase{"ipv6_zone", "http://[fe80::1%25eth0]/", false},
        AddressCase{"ipv4", "http://192.168.1.1/", true},
        AddressCase{"ipv4_part_256", "http://192.168.1.256/", false},
        AddressCase{"three_numbers", "http://1.2.3/", false},
        AddressCase{"digits_without_dots", "http://12345/", true},
        AddressCase{"underscore_label", "https://my_host.example/", true},
        AddressCase{"label_starts_with_dash", "https://-x.example/", false},
        AddressCase{"label_ends_with_dash", "https://x-.example/", false},
        AddressCase{"empty_label", "https://a..example/", false},
        AddressCase{"trailing_dot", "https://example.com./", false},
        AddressCase{"label_63", "https://" + std::string(63, 'a') + ".com/", true},
        AddressCase{"label_64", "https://" + std::string(64, 'a') + ".com/", false},
        AddressCase{"other_scheme", "ftp://example.com/", false},
        AddressCase{"javascript", "javascript:alert(1)", false},
        AddressCase{"too_short", "http:/", false},
        AddressCase{"empty_authority", "https:///path", false},
        AddressCase{"space", "https://exa mple.com/", false},
        AddressCase{"quote_in_path", "https://example.com/\"x", false},
        AddressCase{"backslash", "https://example.com\\x", false},
        AddressCase{"non_ascii_path", "https://example.com/朵朵", true},
        AddressCase{"non_ascii_host", "https://朵朵.example/", false},
        AddressCase{"percent_escape_ok", "https://example.com/%41", true},
        AddressCase{"percent_control", "https://example.com/%0a", false},
        AddressCase{"percent_quote", "https://example.com/%22", false},
        AddressCase{"percent_short", "https://example.com/%4", false},
        AddressCase{"percent_not_hex", "https://example.com/%zz", false},
        AddressCase{"length_2048", "https://example.com/" + std::string(2048 - 20, 'a'), true},
        AddressCase{"length_2049", "https://example.com/" + std::string(2049 - 20, 'a'), false}),
    testing::CaseName());

class Ipv6 : public ::testing::TestWithParam<AddressCase> {};
TEST_P(Ipv6, Classifies) { EXPECT_EQ(IsValidIpv6Literal(GetParam().text), GetParam().valid); }

INSTANTIATE_TEST_SUITE_P(
    IsValidIpv6Literal, Ipv6,
    ::testing::Values(AddressCase{"empty", "", false}, AddressCase{"any", "::", true},
                      AddressCase{"loopback", "::1", true},
                      AddressCase{"full", "1:2:3:4:5:6:7:8", true},
                      AddressCase{"seven_groups", "1:2:3:4:5:6:7", false},
                      AddressCase{"nine_groups", "1:2:3:4:5:6:7:8:9", false},
                      AddressCase{"compressed_eight", "1:2:3:4::5:6:7:8", false},
                      AddressCase{"compressed_end", "1:2:3:4:5:6:7::", true},
                      AddressCase{"single_leading_colon", ":1:2:3:4:5:6:7", false},
                      AddressCase{"single_trailing_colon", "1:2:3:4:5:6:7:", false},
                      AddressCase{"two_compressions", "1::2::3", false},
                      AddressCase{"triple_colon", ":::", false},
                      AddressCase{"group_too_long", "12345::", false},
                      AddressCase{"upper_hex", "FE80::ABCD", true},
                      AddressCase{"mapped_v4", "::ffff:192.168.0.1", true},
                      AddressCase{"v4_counts_two", "1:2:3:4:5:6:1.2.3.4", true},
                      AddressCase{"v4_too_many", "1:2:3:4:5:6:7:1.2.3.4", false},
                      AddressCase{"v4_not_last", "1.2.3.4::", false},
                      AddressCase{"v4_bad", "::1.2.3.256", false}),
    testing::CaseName());

TEST(IsValidIpv4Literal, FourPartsBelow256) {
  EXPECT_TRUE(IsValidIpv4Literal("0.0.0.0"));
  EXPECT_TRUE(IsValidIpv4Literal("255.255.255.255"));
  EXPECT_TRUE(IsValidIpv4Literal("010.001.000.007"));  // leading zeros allowed
  EXPECT_FALSE(IsValidIpv4Literal("256.0.0.0"));
  EXPECT_FALSE(IsValidIpv4Literal("1.2.3"));
  EXPECT_FALSE(IsValidIpv4Literal("1.2.3.4.5"));
  EXPECT_FALSE(IsValidIpv4Literal("1..3.4"));
  EXPECT_FALSE(IsValidIpv4Literal("1.2.3.0004"));
  EXPECT_FALSE(IsValidIpv4Literal("1.2.3.a"));
  EXPECT_FALSE(IsValidIpv4Literal(""));
}

}  // namespace
}  // namespace nubo
