#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include "datatools/packet/packet_decoder.h"
#include "tests/datatools/packet/packet_field_expectations.h"
#include "tests/datatools/packet/packet_test_support.h"

namespace nubo::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(PacketDecodeTcp, SynInsideEthernetAndIpv4IsDetected) {
  const Bytes frame = Concat({EthernetHeader(0x0800), Ipv4Header(40, 6), TcpHeader(0x002)});
  auto result = Inspect(frame, PacketMode::kAuto);
  EXPECT_STREQ(result->summary, "Ethernet II / IPv4 / TCP");
  EXPECT_EQ(result->confidence, 98);
  EXPECT_EQ(result->mode, PacketMode::kAuto);
  EXPECT_THAT(LayerSpans(*result), ElementsAre("ethernet@0+14", "ipv4@14+20", "tcp@34+20"));
  EXPECT_THAT(WarningSpots(*result), IsEmpty());
  EXPECT_EQ(FieldValue(*result, "tcp", "flags"), "0x002");
  EXPECT_EQ(result->fieldCount, 3u + 11u + 9u);
}

TEST(PacketDecodeTcp, DecodesEveryHeaderField) {
  Bytes segment = Concat({TcpHeader(0x1FF, 7), HexBytes("DEADBEEF")});
  segment[4] = 0xFF;  // sequence number 0xFF0003E8 needs all 32 bits
  segment[8] = 0x80;
  segment[11] = 0x01;
  segment[18] = 0x12;
  segment[19] = 0x34;
  auto result = Inspect(segment, PacketMode::kTcp);
  EXPECT_STREQ(result->summary, "TCP");
  EXPECT_EQ(result->confidence, 65);
  EXPECT_THAT(LayerSpans(*result), ElementsAre("tcp@0+28", "payload@28+4"));
  EXPECT_STREQ(result->layers[0].name, "Transmission Control Protocol");
  EXPECT_STREQ(result->layers[0].summary, "TCP segment");
  EXPECT_STREQ(result->layers[1].summary, "TCP application data");
  ASSERT_EQ(result->fieldCount, 11u);
  ExpectFields(*result, 0, "tcp",
               {{"sourcePort", 0, 2, "1234", "Source TCP port"},
                {"destinationPort", 2, 2, "80", "Destination TCP port"},
                {"sequenceNumber", 4, 4, "4278191080", "Sequence number"},
                {"acknowledgmentNumber", 8, 4, "2147483649", "Acknowledgment number"},
                {"headerLength", 12, 1, "28 bytes", "TCP data offset"},
                {"flags", 12, 2, "0x1FF", "NS/CWR/ECE/URG/ACK/PSH/RST/SYN/FIN flags"},
                {"window", 14, 2, "8192", "Advertised receive window"},
                {"checksum", 16, 2, "0xBB25", "TCP checksum (not validated)"},
                {"urgentPointer", 18, 2, "4660", "Urgent pointer"},
                {"options", 20, 8, "8 bytes", "TCP options (raw)"}});
}

TEST(PacketDecodeTcp, FlagsIgnoreTheReservedBits) {
  Bytes segment = TcpHeader(0x012);
  segment[12] |= 0x0E;
  auto result = Inspect(segment, PacketMode::kTcp);
  EXPECT_EQ(FieldValue(*result, "tcp", "flags"), "0x012");
}

TEST(PacketDecodeTcp, SmallDataOffsetIsInvalid) {
  const Bytes frame = Concat({Ipv4Header(44, 6), TcpHeader(0x002, 4), Zeros(4)});
  auto result = Inspect(frame, PacketMode::kIpv4);
  EXPECT_THAT(WarningSpots(*result), ElementsAre("invalid-tcp-header@32"));
  EXPECT_STREQ(result->warnings[0].message, "TCP data offset is smaller than 20 bytes");
  EXPECT_THAT(LayerSpans(*result), ElementsAre("ipv4@0+20", "tcp@20+24"));
  EXPECT_EQ(FieldValue(*result, "tcp", "headerLength"), "16 bytes");
  EXPECT_EQ(result->confidence, 35);
}

TEST(PacketDecodeTcp, ShortSegmentsAreTruncated) {
  auto header = Inspect(Zeros(19), PacketMode::kTcp);
  EXPECT_THAT(WarningSpots(*header), ElementsAre("truncated-tcp@0"));
  EXPECT_STREQ(header->warnings[0].message, "TCP header needs at least 20 bytes");
  EXPECT_THAT(LayerSpans(*header), ElementsAre("tcp@0+19"));
  EXPECT_EQ(header->fieldCount, 0u);

  Bytes options = TcpHeader(0x010, 8);
  ASSERT_THAT(LayerSpans(*Inspect(options, PacketMode::kTcp)), ElementsAre("tcp@0+32"));
  options.resize(30);
  auto cut = Inspect(options, PacketMode::kTcp);
  EXPECT_THAT(WarningSpots(*cut), ElementsAre("truncated-tcp-options@0"));
  EXPECT_STREQ(cut->warnings[0].message, "TCP header or options exceed available bytes");
  EXPECT_THAT(LayerSpans(*cut), ElementsAre("tcp@0+30"));
  EXPECT_EQ(FindField(*cut, "tcp", "options"), nullptr);
}

TEST(PacketDecodeTcp, BytesAfterTheIpPacketAreNotTcpData) {
  const Bytes frame = Concat({EthernetHeader(0x0800), Ipv4Header(44, 6), TcpHeader(0x018),
                              HexBytes("41424344"), Zeros(2)});
  auto result = Inspect(frame, PacketMode::kAuto);
  EXPECT_THAT(LayerSpans(*result),
              ElementsAre("ethernet@0+14", "ipv4@14+20", "tcp@34+20", "payload@54+4", "trailing@58+2"));
  EXPECT_THAT(WarningSpots(*result), ElementsAre("ipv4-trailing-bytes@58"));
  EXPECT_EQ(result->confidence, 88);
}

TEST(PacketDecodeUdp, DecodesEveryHeaderField) {
  auto result = Inspect(Concat({UdpHeader(12), HexBytes("01020304")}), PacketMode::kUdp);
  EXPECT_STREQ(result->summary, "UDP");
  EXPECT_EQ(result->confidence, 65);
  EXPECT_THAT(LayerSpans(*result), ElementsAre("udp@0+8", "payload@8+4"));
  EXPECT_STREQ(result->layers[0].name, "User Datagram Protocol");
  EXPECT_STREQ(result->layers[0].summary, "UDP datagram header");
  EXPECT_STREQ(result->layers[1].summary, "UDP application data");
  ExpectFields(*result, 0, "udp",
               {{"sourcePort", 0, 2, "53", "Source UDP port"},
                {"destinationPort", 2, 2, "5353", "Destination UDP port"},
                {"length", 4, 2, "12 bytes", "UDP header plus payload length"},
                {"checksum", 6, 2, "0xA862", "UDP checksum (not validated)"}});
}

TEST(PacketDecodeUdp, LengthEightHasNoPayload) {
  auto result = Inspect(UdpHeader(8), PacketMode::kUdp);
  EXPECT_THAT(LayerSpans(*result), ElementsAre("udp@0+8"));
  EXPECT_THAT(WarningSpots(*result), IsEmpty());
}

TEST(PacketDecodeUdp, LengthBelowTheHeaderIsInvalid) {
  auto result = Inspect(Concat({UdpHeader(4), Zeros(6)}), PacketMode::kUdp);
  EXPECT_THAT(WarningSpots(*result), ElementsAre("invalid-udp-length@4"));
  EXPECT_STREQ(result->warnings[0].message, "UDP length is smaller than its header");
  EXPECT_THAT(LayerSpans(*result), ElementsAre("udp@0+8", "payload@8+6"));
  EXPECT_STREQ(result->layers[1].summary, "UDP application data");
  EXPECT_EQ(result->confidence, 35);
}

TEST(PacketDecodeUdp, LengthProblems) {
  auto truncated = Inspect(Zeros(7), PacketMode::kUdp);
  EXPECT_THAT(WarningSpots(*truncated), ElementsAre("truncated-udp@0"));
  EXPECT_STREQ(truncated->warnings[0].message, "UDP header needs 8 bytes");
  EXPECT_THAT(LayerSpans(*truncated), ElementsAre("udp@0+7"));

  auto beyond = Inspect(Concat({UdpHeader(20), Zeros(4)}), PacketMode::kUdp);
  EXPECT_THAT(WarningSpots(*beyond), ElementsAre("truncated-udp-payload@4"));
  EXPECT_STREQ(beyond->warnings[0].message, "UDP length exceeds available packet bytes");
  EXPECT_THAT(LayerSpans(*beyond), ElementsAre("udp@0+8", "payload@8+4"));

  auto trailing = Inspect(Concat({UdpHeader(10), Zeros(5)}), PacketMode::kUdp);
  EXPECT_THAT(WarningSpots(*trailing), ElementsAre("udp-trailing-bytes@10"));
  EXPECT_STREQ(trailing->warnings[0].message, "Bytes remain after the declared UDP datagram");
  EXPECT_THAT(LayerSpans(*trailing), ElementsAre("udp@0+8", "payload@8+2", "trailing@10+3"));
  EXPECT_STREQ(trailing->layers[2].summary, "Bytes outside the declared UDP datagram");
  EXPECT_EQ(trailing->confidence, 55);
}

TEST(PacketDecodeIcmp, DecodesTheHeaderAndTheRest) {
  auto result = Inspect(Concat({Ipv4Header(32, 1), IcmpHeader(8, 0), Zeros(8)}), PacketMode::kIpv4);
  EXPECT_STREQ(result->summary, "IPv4 / ICMP");
  EXPECT_THAT(LayerSpans(*result), ElementsAre("ipv4@0+20", "icmp@20+4", "payload@24+8"));
  EXPECT_STREQ(result->layers[1].name, "ICMP");
  EXPECT_STREQ(result->layers[1].summary, "Control message header");
  EXPECT_STREQ(result->layers[2].summary, "ICMP message-specific data");
  ExpectFields(*result, 11, "icmp",
               {{"type", 20, 1, "8", "ICMP message type"},
                {"code", 21, 1, "0", "ICMP message code"},
                {"checksum", 22, 2, "0xF7FF", "ICMP checksum (not validated)"}});
  ExpectFields(*result, 14, "payload", {{"data", 24, 8, "8 bytes", "ICMP message-specific data"}});
}

TEST(PacketDecodeIcmp, Icmpv6UsesItsOwnNames) {
  auto result = Inspect(Concat({Ipv6Header(4, 58), IcmpHeader(135, 0)}), PacketMode::kIpv6);
  EXPECT_THAT(LayerSpans(*result), ElementsAre("ipv6@0+40", "icmpv6@40+4"));
  EXPECT_STREQ(result->layers[1].name, "ICMPv6");
  ExpectFields(*result, 7, "icmpv6",
               {{"type", 40, 1, "135", "ICMP message type"},
                {"code", 41, 1, "0", "ICMP message code"},
                {"checksum", 42, 2, "0xF7FF", "ICMP checksum (not validated)"}});
}

TEST(PacketDecodeIcmp, ShortHeaderIsTruncated) {
  auto result = Inspect(Concat({Ipv4Header(23, 1), HexBytes("0800F7")}), PacketMode::kIpv4);
  EXPECT_THAT(WarningSpots(*result), ElementsAre("truncated-icmp@20"));
  EXPECT_STREQ(result->warnings[0].message, "ICMP header needs 4 bytes");
  EXPECT_THAT(LayerSpans(*result), ElementsAre("ipv4@0+20", "icmp@20+3"));

  PacketResult v6{};
  const Bytes bytes = HexBytes("80");
  PacketDecodeIcmp(bytes.data(), bytes.size(), 0, 1, 6, &v6);
  EXPECT_THAT(WarningSpots(v6), ElementsAre("truncated-icmp@0"));
  EXPECT_THAT(LayerSpans(v6), ElementsAre("icmpv6@0+1"));
}

}  // namespace
}  // namespace nubo::testing
