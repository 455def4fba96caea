#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include "datatools/packet/packet_decoder.h"
#include "tests/datatools/packet/packet_field_expectations.h"
#include "tests/datatools/packet/packet_test_support.h"

namespace nubo::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(PacketDecodeIpv4, DecodesEveryHeaderField) {
  Bytes packet = Concat({Ipv4Header(48, 17, 0x47, 0x4000), UdpHeader(20), Zeros(12)});
  packet[1] = 0xB9;  // DSCP 46, ECN 1
  auto result = Inspect(packet, PacketMode::kIpv4);
  EXPECT_STREQ(result->summary, "IPv4 / UDP");
  EXPECT_EQ(result->confidence, 65);
  EXPECT_THAT(LayerSpans(*result), ElementsAre("ipv4@0+28", "udp@28+8", "payload@36+12"));
  EXPECT_STREQ(result->layers[0].name, "Internet Protocol Version 4");
  EXPECT_STREQ(result->layers[0].summary, "IPv4 packet");
  ExpectFields(*result, 0, "ipv4",
               {{"version", 0, 1, "4", "High four bits identify IPv4"},
                {"headerLength", 0, 1, "28 bytes", "IPv4 Internet Header Length"},
                {"dscpEcn", 1, 1, "0xB9 (DSCP=46, ECN=1)", "DSCP and ECN bits"},
                {"totalLength", 2, 2, "48 bytes", "IPv4 header plus payload length"},
                {"identification", 4, 2, "0x1234", "Fragment identification"},
                {"fragment", 6, 2, "flags=0x2, offsetBytes=0", "Fragment flags and offset"},
                {"ttl", 8, 1, "64", "Time to live"},
                {"protocol", 9, 1, "17", "Encapsulated protocol number"},
                {"headerChecksum", 10, 2, "0xBEEF", "IPv4 header checksum (not validated)"},
                {"source", 12, 4, "192.168.1.10", "Source IPv4 address"},
                {"destination", 16, 4, "10.0.0.1", "Destination IPv4 address"},
                {"options", 20, 8, "8 bytes", "IPv4 options (raw)"}});
}

TEST(PacketDecodeIpv4, BytesAfterTheTotalLengthAreTrailing) {
  const Bytes packet = Concat({Ipv4Header(40, 6), TcpHeader(0x010), Zeros(20)});
  ASSERT_EQ(packet.size(), 60u);
  auto result = Inspect(packet, PacketMode::kIpv4);
  EXPECT_THAT(WarningSpots(*result), ElementsAre("ipv4-trailing-bytes@40"));
  EXPECT_STREQ(result->warnings[0].message, "Bytes remain after the declared IPv4 packet");
  EXPECT_THAT(LayerSpans(*result), ElementsAre("ipv4@0+20", "tcp@20+20", "trailing@40+20"));
  EXPECT_STREQ(result->layers[2].summary, "Bytes outside the declared IPv4 packet");
  EXPECT_EQ(result->confidence, 55);
}

TEST(PacketDecodeIpv4, TotalLengthBelowTheHeaderStops) {
  const Bytes packet = Concat({Ipv4Header(0, 6), TcpHeader()});
  auto result = Inspect(packet, PacketMode::kIpv4);
  EXPECT_THAT(WarningSpots(*result), ElementsAre("invalid-ipv4-length@2"));
  EXPECT_STREQ(result->warnings[0].message, "IPv4 total length is smaller than its header");
  EXPECT_THAT(LayerSpans(*result), ElementsAre("ipv4@0+40"));
  EXPECT_EQ(result->fieldCount, 11u);
  EXPECT_EQ(result->confidence, 35);
}

TEST(PacketDecodeIpv4, WrongVersionIsStillDecoded) {
  const Bytes packet = Concat({Ipv4Header(28, 17, 0x55), UdpHeader(8)});
  auto result = Inspect(packet, PacketMode::kIpv4);
  EXPECT_THAT(WarningSpots(*result), ElementsAre("invalid-ipv4-version@0"));
  EXPECT_STREQ(result->warnings[0].message, "Version nibble is not 4");
  EXPECT_EQ(FieldValue(*result, "ipv4", "version"), "5");
  EXPECT_EQ(FieldValue(*result, "ipv4", "destination"), "10.0.0.1");
  EXPECT_STREQ(result->summary, "IPv4 / UDP");
  EXPECT_EQ(result->confidence, 35);
}

TEST(PacketDecodeIpv4, NonInitialFragmentIsNotDecoded) {
  const Bytes packet = Concat({Ipv4Header(40, 6, 0x45, 185), TcpHeader()});
  auto result = Inspect(packet, PacketMode::kIpv4);
  EXPECT_EQ(FieldValue(*result, "ipv4", "fragment"), "flags=0x0, offsetBytes=1480");
  EXPECT_THAT(WarningSpots(*result), ElementsAre("ipv4-fragment@6"));
  EXPECT_STREQ(result->warnings[0].message, "Non-initial IPv4 fragment; protocol 6 not decoded");
  EXPECT_THAT(LayerSpans(*result), ElementsAre("ipv4@0+20", "payload@20+20"));
  EXPECT_STREQ(result->layers[1].summary, "Fragment payload");
  EXPECT_STREQ(result->summary, "IPv4");
  EXPECT_EQ(result->confidence, 55);
}

TEST(PacketDecodeIpv4, FirstFragmentIsDecodedWhole) {
  const Bytes packet = Concat({Ipv4Header(40, 6, 0x45, 0x2000), TcpHeader()});
  auto result = Inspect(packet, PacketMode::kIpv4);
  EXPECT_EQ(FieldValue(*result, "ipv4", "fragment"), "flags=0x1, offsetBytes=0");
  EXPECT_THAT(WarningSpots(*result), IsEmpty());
  EXPECT_STREQ(result->summary, "IPv4 / TCP");
}

TEST(PacketDecodeIpv4, HeaderProblemsStopBeforeTheTransport) {
  auto truncated = Inspect(Zeros(19), PacketMode::kIpv4);
  EXPECT_THAT(WarningSpots(*truncated), ElementsAre("truncated-ipv4@0"));
  EXPECT_STREQ(truncated->warnings[0].message, "IPv4 header needs at least 20 bytes");
  EXPECT_THAT(LayerSpans(*truncated), ElementsAre("ipv4@0+19"));
  EXPECT_EQ(truncated->fieldCount, 0u);

  auto small = Inspect(Concat({Ipv4Header(40, 6, 0x44), Zeros(20)}), PacketMode::kIpv4);
  EXPECT_THAT(WarningSpots(*small), ElementsAre("invalid-ipv4-header@0"));
  EXPECT_STREQ(small->warnings[0].message, "IPv4 IHL is smaller than 20 bytes");
  EXPECT_THAT(LayerSpans(*small), ElementsAre("ipv4@0+40"));
  EXPECT_EQ(FieldValue(*small, "ipv4", "headerLength"), "16 bytes");

  Bytes options = Ipv4Header(60, 6, 0x4F);
  options.resize(40);
  auto cut = Inspect(options, PacketMode::kIpv4);
  EXPECT_THAT(WarningSpots(*cut), ElementsAre("truncated-ipv4-options@0"));
  EXPECT_STREQ(cut->warnings[0].message, "IPv4 header or options exceed available bytes");
  EXPECT_THAT(LayerSpans(*cut), ElementsAre("ipv4@0+40"));
  EXPECT_EQ(FindField(*cut, "ipv4", "options"), nullptr);
}

TEST(PacketDecodeIpv4, TotalLengthBeyondTheBytesIsTruncated) {
  const Bytes packet = Concat({Ipv4Header(100, 17), UdpHeader(80), Zeros(4)});
  auto result = Inspect(packet, PacketMode::kIpv4);
  EXPECT_THAT(WarningSpots(*result),
              ElementsAre("truncated-ipv4-payload@2", "truncated-udp-payload@24"));
  EXPECT_STREQ(result->warnings[0].message, "IPv4 total length exceeds available bytes");
  EXPECT_THAT(LayerSpans(*result), ElementsAre("ipv4@0+20", "udp@20+8", "payload@28+4"));
  EXPECT_EQ(result->confidence, 5);
}

TEST(PacketDecodeIpv6, DecodesEveryHeaderField) {
  Bytes packet = Concat({Ipv6Header(8, 17), UdpHeader(8)});
  packet[0] = 0x6A;
  packet[1] = 0xBC;
  packet[2] = 0xDE;
  packet[3] = 0xF1;  // traffic class 0xAB, flow label 0xCDEF1
  auto result = Inspect(packet, PacketMode::kIpv6);
  EXPECT_STREQ(result->summary, "IPv6 / UDP");
  EXPECT_THAT(LayerSpans(*result), ElementsAre("ipv6@0+40", "udp@40+8"));
  EXPECT_STREQ(result->layers[0].name, "Internet Protocol Version 6");
  EXPECT_STREQ(result->layers[0].summary, "IPv6 fixed header");
  ExpectFields(*result, 0, "ipv6",
               {{"version", 0, 1, "6", "High four bits identify IPv6"},
                {"trafficClassAndFlowLabel", 0, 4, "trafficClass=171, flowLabel=0xCDEF1",
                 "Traffic class and flow label"},
                {"payloadLength", 4, 2, "8 bytes", "Bytes following the fixed IPv6 header"},
                {"nextHeader", 6, 1, "17", "IPv6 next-header number"},
                {"hopLimit", 7, 1, "64", "IPv6 hop limit"},
                {"source", 8, 16, "fe80:0000:0000:0000:0000:0000:0000:0001", "Source IPv6 address"},
                {"destination", 24, 16, "ff02:0000:0000:0000:0000:0000:0000:0001",
                 "Destination IPv6 address"}});
  EXPECT_EQ(result->fieldCount, 7u + 4u);
}

TEST(PacketDecodeIpv6, ZeroAddressKeepsEveryGroup) {
  Bytes packet = Ipv6Header(0, 59);
  std::fill(packet.begin() + 8, packet.end(), 0);
  auto result = Inspect(packet, PacketMode::kIpv6);
  EXPECT_EQ(FieldValue(*result, "ipv6", "source"), "0000:0000:0000:0000:0000:0000:0000:0000");
  const PacketField* flow = FindField(*result, "ipv6", "trafficClassAndFlowLabel");
  ASSERT_NE(flow, nullptr);
  EXPECT_STREQ(flow->value, "trafficClass=0, flowLabel=0x00000");
}

TEST(PacketDecodeIpv6, ExtensionHeadersBecomePayload) {
  for (std::uint8_t next : {0, 43, 44, 50, 51, 60, 135}) {
    SCOPED_TRACE(static_cast<int>(next));
    auto result = Inspect(Concat({Ipv6Header(8, next), Zeros(8)}), PacketMode::kIpv6);
    EXPECT_THAT(WarningSpots(*result), ElementsAre("ipv6-extension-header@40"));
    EXPECT_STREQ(result->warnings[0].message, "IPv6 extension headers are preserved as raw payload");
    EXPECT_THAT(LayerSpans(*result), ElementsAre("ipv6@0+40", "payload@40+8"));
    EXPECT_STREQ(result->layers[1].summary, "IPv6 extension header and payload");
    EXPECT_STREQ(result->summary, "IPv6");
    EXPECT_EQ(result->confidence, 55);
  }
}

TEST(PacketDecodeIpv6, IcmpNumberUnderIpv6IsUnknown) {
  auto result = Inspect(Concat({Ipv6Header(4, 1), IcmpHeader(8, 0)}), PacketMode::kIpv6);
  EXPECT_THAT(WarningSpots(*result), ElementsAre("unknown-transport@40"));
  EXPECT_STREQ(result->warnings[0].message, "Unrecognized IP next-header value 1");
  EXPECT_THAT(LayerSpans(*result), ElementsAre("ipv6@0+40", "payload@40+4"));
  EXPECT_STREQ(result->layers[1].summary, "Transport payload is not decoded");
}

TEST(PacketDecodeIpv6, LengthProblems) {
  auto truncated = Inspect(Zeros(39), PacketMode::kIpv6);
  EXPECT_THAT(WarningSpots(*truncated), ElementsAre("truncated-ipv6@0"));
  EXPECT_STREQ(truncated->warnings[0].message, "IPv6 header needs 40 bytes");
  EXPECT_THAT(LayerSpans(*truncated), ElementsAre("ipv6@0+39"));

  auto version = Inspect(Concat({Ipv6Header(8, 17, 0x40), UdpHeader(8)}), PacketMode::kIpv6);
  EXPECT_THAT(WarningSpots(*version), ElementsAre("invalid-ipv6-version@0"));
  EXPECT_STREQ(version->warnings[0].message, "Version nibble is not 6");
  EXPECT_EQ(FieldValue(*version, "ipv6", "version"), "4");
  EXPECT_STREQ(version->summary, "IPv6 / UDP");

  auto payload = Inspect(Concat({Ipv6Header(20, 17), UdpHeader(20), Zeros(4)}), PacketMode::kIpv6);
  EXPECT_THAT(WarningSpots(*payload),
              ElementsAre("truncated-ipv6-payload@4", "truncated-udp-payload@44"));
  EXPECT_STREQ(payload->warnings[0].message, "IPv6 payload length exceeds available bytes");
  EXPECT_THAT(LayerSpans(*payload), ElementsAre("ipv6@0+40", "udp@40+8", "payload@48+4"));

  auto trailing = Inspect(Concat({Ipv6Header(8, 17), UdpHeader(8), Zeros(6)}), PacketMode::kIpv6);
  EXPECT_THAT(WarningSpots(*trailing), ElementsAre("ipv6-trailing-bytes@48"));
  EXPECT_STREQ(trailing->warnings[0].message, "Bytes remain after the declared IPv6 packet");
  EXPECT_THAT(LayerSpans(*trailing), ElementsAre("ipv6@0+40", "udp@40+8", "trailing@48+6"));
  EXPECT_STREQ(trailing->layers[2].summary, "Bytes outside the declared IPv6 packet");
}

TEST(PacketDecodeTransport, ChoosesTheDecoderByProtocolAndVersion) {
  auto icmp = Inspect(Concat({Ipv4Header(28, 1), IcmpHeader(8, 0), Zeros(4)}), PacketMode::kIpv4);
  EXPECT_STREQ(icmp->summary, "IPv4 / ICMP");
  auto icmpv6 = Inspect(Concat({Ipv6Header(8, 58), IcmpHeader(128, 0), Zeros(4)}), PacketMode::kIpv6);
  EXPECT_STREQ(icmpv6->summary, "IPv6 / ICMPv6");

  auto v6_under_v4 = Inspect(Concat({Ipv4Header(28, 58), Zeros(8)}), PacketMode::kIpv4);
  EXPECT_THAT(WarningSpots(*v6_under_v4), ElementsAre("unknown-transport@20"));
  EXPECT_STREQ(v6_under_v4->warnings[0].message, "Unrecognized IP next-header value 58");
  EXPECT_THAT(LayerSpans(*v6_under_v4), ElementsAre("ipv4@0+20", "payload@20+8"));

  PacketResult direct{};
  const Bytes bytes = Zeros(8);
  PacketDecodeTransport(bytes.data(), bytes.size(), 2, 100, 250, 4, &direct);
  EXPECT_THAT(LayerSpans(direct), ElementsAre("payload@2+6"));  // never beyond the buffer
}

}  // namespace
}  // namespace nubo::testing
