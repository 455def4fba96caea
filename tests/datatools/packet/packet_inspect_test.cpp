#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <cstring>
#include <vector>

#include "datatools/packet/packet_decoder.h"
#include "tests/support/case_name.h"
#include "tests/datatools/packet/packet_field_expectations.h"
#include "tests/datatools/packet/packet_test_support.h"

namespace nubo::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(PacketInspect, RefusesNullArgumentsAndUnknownModes) {
  PacketResult result{};
  const std::uint8_t byte = 0;
  EXPECT_EQ(PacketInspect(nullptr, 0, PacketMode::kAuto, &result), -1);
  EXPECT_EQ(PacketInspect(&byte, 1, PacketMode::kAuto, nullptr), -1);
  EXPECT_EQ(PacketInspect(&byte, 1, static_cast<PacketMode>(7), &result), -2);
  EXPECT_EQ(PacketInspect(&byte, 1, static_cast<PacketMode>(0xFFFFFFFFu), &result), -2);
  EXPECT_EQ(PacketInspect(&byte, 1, PacketMode::kRaw, &result), 0);
}

TEST(PacketModeName, NamesEveryModeAndUnknown) {
  const char* names[] = {"auto", "ethernet", "ipv4", "ipv6", "tcp", "udp", "raw"};
  for (std::uint32_t i = 0; i < 7; ++i) {
    EXPECT_STREQ(PacketModeName(static_cast<PacketMode>(i)), names[i]);
  }
  EXPECT_STREQ(PacketModeName(static_cast<PacketMode>(7)), "unknown");
  EXPECT_STREQ(PacketModeName(static_cast<PacketMode>(1000)), "unknown");
}

struct EmptyCase {
  const char* name;
  PacketMode mode;
  int confidence;
};

class EmptyInput : public ::testing::TestWithParam<EmptyCase> {};

TEST_P(EmptyInput, GivesEmptySummaryAndOneWarning) {
  auto result = Inspect(Bytes{}, GetParam().mode);
  EXPECT_STREQ(result->summary, "Empty");
  EXPECT_EQ(result->confidence, GetParam().confidence);
  EXPECT_EQ(result->inputLength, 0u);
  EXPECT_EQ(result->mode, GetParam().mode);
  EXPECT_THAT(WarningSpots(*result), ElementsAre("empty-input@0"));
  EXPECT_STREQ(result->warnings[0].message, "No packet bytes were supplied");
  EXPECT_EQ(result->layerCount, 0u);
  EXPECT_EQ(result->fieldCount, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    AllModes, EmptyInput,
    ::testing::Values(EmptyCase{"auto", PacketMode::kAuto, 10},
                      EmptyCase{"raw", PacketMode::kRaw, 0},
                      EmptyCase{"ethernet", PacketMode::kEthernet, 55},
                      EmptyCase{"ipv4", PacketMode::kIpv4, 55},
                      EmptyCase{"ipv6", PacketMode::kIpv6, 55},
                      EmptyCase{"tcp", PacketMode::kTcp, 55},
                      EmptyCase{"udp", PacketMode::kUdp, 55}),
    nubo::testing::CaseName());

TEST(PacketInspect, UnknownBytesInAutomaticModeFallBackToRaw) {
  auto result = Inspect(Bytes(20, 0xAB), PacketMode::kAuto);
  EXPECT_STREQ(result->summary, "Raw bytes");
  EXPECT_EQ(result->confidence, 10);
  EXPECT_THAT(LayerSpans(*result), ElementsAre("payload@0+20"));
  EXPECT_STREQ(result->layers[0].summary, "No protocol boundary can be inferred safely");
  ASSERT_EQ(result->fieldCount, 1u);
  EXPECT_STREQ(result->fields[0].name, "data");
  EXPECT_STREQ(result->fields[0].value, "20 bytes");
  EXPECT_THAT(WarningSpots(*result), ElementsAre("unknown-protocol@0"));
  EXPECT_STREQ(result->warnings[0].message,
               "Automatic detection found no reliable standard header");
}

TEST(PacketInspect, RawModeDecodesNothing) {
  const Bytes frame = Concat({EthernetHeader(0x0800), Ipv4Header(40, 6), TcpHeader()});
  auto result = Inspect(frame, PacketMode::kRaw);
  EXPECT_STREQ(result->summary, "Raw bytes");
  EXPECT_EQ(result->confidence, 0);
  EXPECT_THAT(LayerSpans(*result), ElementsAre("payload@0+54"));
  EXPECT_THAT(WarningSpots(*result), IsEmpty());
}

TEST(PacketInspect, BareEthernetHeaderIsNotDetected) {
  const Bytes frame = EthernetHeader(0x0800);
  auto detected = Inspect(frame, PacketMode::kAuto);
  EXPECT_STREQ(detected->summary, "Raw bytes");
  EXPECT_EQ(detected->confidence, 10);

  auto explicit_mode = Inspect(frame, PacketMode::kEthernet);
  EXPECT_STREQ(explicit_mode->summary, "Ethernet II / IPv4");
  EXPECT_THAT(WarningSpots(*explicit_mode), ElementsAre("truncated-ipv4@14"));
  EXPECT_EQ(explicit_mode->confidence, 35);
  EXPECT_THAT(LayerSpans(*explicit_mode), ElementsAre("ethernet@0+14", "ipv4@14+0"));
}

TEST(PacketInspect, DetectsIpv4AndIpv6WithoutEthernet) {
  auto ipv4 = Inspect(Concat({Ipv4Header(28, 17), UdpHeader(8)}), PacketMode::kAuto);
  EXPECT_STREQ(ipv4->summary, "IPv4 / UDP");
  EXPECT_EQ(ipv4->confidence, 88);
  EXPECT_EQ(ipv4->mode, PacketMode::kAuto);

  auto ipv6 = Inspect(Concat({Ipv6Header(8, 17), UdpHeader(8)}), PacketMode::kAuto);
  EXPECT_STREQ(ipv6->summary, "IPv6 / UDP");
  EXPECT_EQ(ipv6->confidence, 88);
}

TEST(PacketInspect, DetectionFallsBackWhenTheIpv4RuleFails) {
  // A total length beyond the buffer fails the rule, so no IPv4 is decoded.
  auto result = Inspect(Ipv4Header(21, 17), PacketMode::kAuto);
  EXPECT_STREQ(result->summary, "Raw bytes");
  EXPECT_EQ(result->confidence, 10);
}

TEST(PacketInspect, ReusedRecordHoldsOnlyTheNewResult) {
  auto result = Inspect(Concat({EthernetHeader(0x0800), Ipv4Header(40, 6), TcpHeader()}),
                        PacketMode::kAuto);
  const std::uint8_t byte = 0x42;
  ASSERT_EQ(PacketInspect(&byte, 1, PacketMode::kRaw, result.get()), 0);
  EXPECT_STREQ(result->summary, "Raw bytes");
  EXPECT_EQ(result->inputLength, 1u);
  EXPECT_EQ(result->mode, PacketMode::kRaw);
  EXPECT_EQ(result->confidence, 0);
  EXPECT_THAT(LayerSpans(*result), ElementsAre("payload@0+1"));
  EXPECT_EQ(result->fieldCount, 1u);
  EXPECT_EQ(result->warningCount, 0u);
}

TEST(PacketInspect, ReadsNothingBeyondTheGivenLength) {
  // The frame's declared lengths point past the slice handed over; ASan
  // would report any read of the bytes behind it.
  const Bytes frame = Concat({EthernetHeader(0x0800), Ipv4Header(40, 6), TcpHeader()});
  for (std::size_t cut = 0; cut <= frame.size(); ++cut) {
    std::vector<std::uint8_t> exact(frame.begin(), frame.begin() + static_cast<std::ptrdiff_t>(cut));
    exact.shrink_to_fit();
    for (std::uint32_t mode = 0; mode <= 6; ++mode) {
      auto result = Inspect(exact, static_cast<PacketMode>(mode));
      for (std::uint64_t i = 0; i < result->layerCount; ++i) {
        EXPECT_LE(result->layers[i].offset + result->layers[i].length, cut);
      }
      for (std::uint64_t i = 0; i < result->fieldCount; ++i) {
        EXPECT_LE(result->fields[i].offset + result->fields[i].length, cut);
      }
    }
  }
}

TEST(PacketProbeEthernet, NeedsACompleteNetworkHeader) {
  EXPECT_FALSE(PacketProbeEthernet(Zeros(13).data(), 13));
  const Bytes ipv4 = Concat({EthernetHeader(0x0800), Ipv4Header(20, 6)});
  EXPECT_TRUE(PacketProbeEthernet(ipv4.data(), ipv4.size()));
  EXPECT_FALSE(PacketProbeEthernet(Prefix(ipv4, ipv4.size() - 1).data(), ipv4.size() - 1));

  const Bytes ipv6 = Concat({EthernetHeader(0x86DD), Ipv6Header(0, 59)});
  EXPECT_TRUE(PacketProbeEthernet(ipv6.data(), ipv6.size()));

  const Bytes arp = Concat({EthernetHeader(0x0806), ArpRequest()});
  EXPECT_TRUE(PacketProbeEthernet(arp.data(), arp.size()));
  EXPECT_FALSE(PacketProbeEthernet(Prefix(arp, arp.size() - 1).data(), arp.size() - 1));
  EXPECT_FALSE(PacketProbeEthernet(Prefix(arp, 14 + 7).data(), 14 + 7));

  const Bytes other = Concat({EthernetHeader(0x88CC), Zeros(46)});
  EXPECT_FALSE(PacketProbeEthernet(other.data(), other.size()));
}

TEST(PacketProbeEthernet, LooksBehindOneTag) {
  for (std::uint16_t tag : {std::uint16_t{0x8100}, std::uint16_t{0x88A8}}) {
    const Bytes frame =
        Concat({EthernetHeader(tag), VlanTag(0x0064, 0x0800), Ipv4Header(20, 6)});
    EXPECT_TRUE(PacketProbeEthernet(frame.data(), frame.size()));
    EXPECT_FALSE(PacketProbeEthernet(Prefix(frame, 17).data(), 17));
  }
}

TEST(PacketProbeIpv4, FollowsTheHeaderRule) {
  Bytes packet = Ipv4Header(20, 6);
  EXPECT_TRUE(PacketProbeIpv4(packet.data(), packet.size(), 0));
  EXPECT_FALSE(PacketProbeIpv4(packet.data(), packet.size(), 1));
  EXPECT_FALSE(PacketProbeIpv4(packet.data(), packet.size(), 100));  // offset beyond the buffer
  const Bytes longer = Concat({packet, Zeros(10)});
  EXPECT_TRUE(PacketProbeIpv4(longer.data(), longer.size(), 0));  // bytes after the total length
  packet[0] = 0x55;
  EXPECT_FALSE(PacketProbeIpv4(packet.data(), packet.size(), 0));
  packet[0] = 0x44;
  EXPECT_FALSE(PacketProbeIpv4(packet.data(), packet.size(), 0));
  const Bytes options = Ipv4Header(24, 6, 0x46);
  EXPECT_TRUE(PacketProbeIpv4(options.data(), options.size(), 0));
  const Bytes short_total = Ipv4Header(23, 6, 0x46);
  EXPECT_FALSE(PacketProbeIpv4(short_total.data(), short_total.size(), 0));
}

TEST(PacketProbeIpv6, FollowsTheHeaderRule) {
  const Bytes packet = Concat({Ipv6Header(4, 59), Zeros(4)});
  EXPECT_TRUE(PacketProbeIpv6(packet.data(), packet.size(), 0));
  EXPECT_FALSE(PacketProbeIpv6(Prefix(packet, 39).data(), 39, 0));
  const Bytes wrong = Ipv6Header(0, 59, 0x40);
  EXPECT_FALSE(PacketProbeIpv6(wrong.data(), wrong.size(), 0));
}

TEST(PacketDecodeEthernet, DecodesTheHeaderFields) {
  const Bytes frame = Concat({EthernetHeader(0x0800), Ipv4Header(40, 6), TcpHeader()});
  auto result = Inspect(frame, PacketMode::kEthernet);
  EXPECT_EQ(result->confidence, 65);
  EXPECT_STREQ(result->layers[0].id, "ethernet");
  EXPECT_STREQ(result->layers[0].name, "Ethernet II");
  EXPECT_STREQ(result->layers[0].summary, "Ethernet frame header");
  const PacketField& destination = result->fields[0];
  EXPECT_STREQ(destination.layer, "ethernet");
  EXPECT_STREQ(destination.name, "destination");
  EXPECT_EQ(destination.offset, 0u);
  EXPECT_EQ(destination.length, 6u);
  EXPECT_STREQ(destination.value, "00:11:22:33:44:55");
  EXPECT_STREQ(destination.summary, "Destination MAC address");
  const PacketField& source = result->fields[1];
  EXPECT_STREQ(source.name, "source");
  EXPECT_EQ(source.offset, 6u);
  EXPECT_STREQ(source.value, "66:77:88:99:AA:BB");
  EXPECT_STREQ(source.summary, "Source MAC address");
  const PacketField& type = result->fields[2];
  EXPECT_STREQ(type.name, "etherType");
  EXPECT_EQ(type.offset, 12u);
  EXPECT_EQ(type.length, 2u);
  EXPECT_STREQ(type.value, "0x0800");
  EXPECT_STREQ(type.summary, "Encapsulated protocol EtherType");
}

TEST(PacketDecodeEthernet, ShortFrameIsTruncated) {
  auto result = Inspect(Zeros(13), PacketMode::kEthernet);
  EXPECT_STREQ(result->summary, "Ethernet II");
  EXPECT_THAT(LayerSpans(*result), ElementsAre("ethernet@0+13"));
  EXPECT_THAT(WarningSpots(*result), ElementsAre("truncated-ethernet@0"));
  EXPECT_STREQ(result->warnings[0].message, "Ethernet II header needs 14 bytes");
  EXPECT_EQ(result->fieldCount, 0u);
  EXPECT_EQ(result->confidence, 35);
}

TEST(PacketDecodeEthernet, UnknownEtherTypeBecomesPayload) {
  const Bytes frame = Concat({EthernetHeader(0x88cc), Zeros(10)});
  auto result = Inspect(frame, PacketMode::kEthernet);
  EXPECT_STREQ(result->summary, "Ethernet II");
  EXPECT_THAT(WarningSpots(*result), ElementsAre("unknown-ethertype@12"));
  EXPECT_STREQ(result->warnings[0].message, "EtherType 0x88CC is not decoded");
  EXPECT_THAT(LayerSpans(*result), ElementsAre("ethernet@0+14", "payload@14+10"));
  EXPECT_STREQ(result->layers[1].summary, "Ethernet payload is not decoded");
  EXPECT_EQ(result->confidence, 55);
}

TEST(PacketDecodeEthernet, DecodesOneVlanTag) {
  const Bytes frame = Concat(
      {EthernetHeader(0x8100), VlanTag(0xB064, 0x0800), Ipv4Header(28, 17), UdpHeader(8)});
  auto result = Inspect(frame, PacketMode::kAuto);
  EXPECT_STREQ(result->summary, "Ethernet II / 802.1Q / IPv4 / UDP");
  EXPECT_EQ(result->confidence, 98);
  EXPECT_THAT(LayerSpans(*result), ElementsAre("ethernet@0+14", "vlan@14+4", "ipv4@18+20", "udp@38+8"));
  EXPECT_STREQ(result->layers[1].name, "IEEE 802.1Q VLAN");
  EXPECT_STREQ(result->layers[1].summary, "VLAN tag");
  const PacketField* control = FindField(*result, "vlan", "tagControl");
  ASSERT_NE(control, nullptr);
  EXPECT_EQ(control->offset, 14u);
  EXPECT_EQ(control->length, 2u);
  EXPECT_STREQ(control->value, "priority=5, dei=1, vlanId=100");
  EXPECT_STREQ(control->summary, "Priority, drop eligibility and VLAN identifier");
  const PacketField* inner = FindField(*result, "vlan", "etherType");
  ASSERT_NE(inner, nullptr);
  EXPECT_EQ(inner->offset, 16u);
  EXPECT_STREQ(inner->value, "0x0800");
  EXPECT_EQ(FieldValue(*result, "ethernet", "etherType"), "0x8100");
}

TEST(PacketDecodeEthernet, QinQTagIsDecodedLikeAVlanTag) {
  const Bytes frame = Concat({EthernetHeader(0x88A8), VlanTag(0x0FFF, 0x0806), ArpRequest()});
  auto result = Inspect(frame, PacketMode::kEthernet);
  EXPECT_STREQ(result->summary, "Ethernet II / 802.1Q / ARP");
  EXPECT_EQ(FieldValue(*result, "vlan", "tagControl"), "priority=0, dei=0, vlanId=4095");
}

TEST(PacketDecodeEthernet, ShortTagIsTruncated) {
  const Bytes frame = Concat({EthernetHeader(0x8100), HexBytes("006408")});  // one short of 18
  auto result = Inspect(frame, PacketMode::kEthernet);
  EXPECT_STREQ(result->summary, "Ethernet II");
  EXPECT_THAT(WarningSpots(*result), ElementsAre("truncated-vlan@14"));
  EXPECT_STREQ(result->warnings[0].message, "802.1Q tag needs 4 bytes");
  EXPECT_THAT(LayerSpans(*result), ElementsAre("ethernet@0+14"));
}

TEST(PacketDecodeEthernet, SecondTagIsNotDecoded) {
  const Bytes frame = Concat({EthernetHeader(0x88A8), VlanTag(0x0064, 0x8100),
                              VlanTag(0x00C8, 0x0800), Ipv4Header(20, 6)});
  auto result = Inspect(frame, PacketMode::kEthernet);
  EXPECT_STREQ(result->summary, "Ethernet II / 802.1Q");
  EXPECT_THAT(WarningSpots(*result), ElementsAre("unknown-ethertype@12"));
  EXPECT_STREQ(result->warnings[0].message, "EtherType 0x8100 is not decoded");
  EXPECT_THAT(LayerSpans(*result), ElementsAre("ethernet@0+14", "vlan@14+4", "payload@18+24"));
}

TEST(PacketDecodeArp, DecodesARequestInAMinimumFrame) {
  const Bytes frame = Concat({EthernetHeader(0x0806), ArpRequest(), Zeros(18)});
  ASSERT_EQ(frame.size(), 60u);
  auto result = Inspect(frame, PacketMode::kAuto);
  EXPECT_STREQ(result->summary, "Ethernet II / ARP");
  EXPECT_EQ(result->confidence, 98);
  EXPECT_THAT(LayerSpans(*result), ElementsAre("ethernet@0+14", "arp@14+28", "trailing@42+18"));
  EXPECT_STREQ(result->layers[1].name, "Address Resolution Protocol");
  EXPECT_STREQ(result->layers[1].summary, "ARP message");
  EXPECT_STREQ(result->layers[2].summary, "Bytes outside the computed ARP message");
  EXPECT_THAT(WarningSpots(*result), IsEmpty());

  ExpectFields(*result, 3, "arp",
               {{"hardwareType", 14, 2, "1", "Link-layer address type"},
                {"protocolType", 16, 2, "0x0800", "Network protocol EtherType"},
                {"hardwareAddressLength", 18, 1, "6", "Hardware address size"},
                {"protocolAddressLength", 19, 1, "4", "Protocol address size"},
                {"operation", 20, 2, "1", "ARP request/reply operation"},
                {"senderHardwareAddress", 22, 6, "02:00:00:00:00:01", "Sender hardware address"},
                {"senderProtocolAddress", 28, 4, "192.168.0.1", "Sender protocol address"},
                {"targetHardwareAddress", 32, 6, "00:00:00:00:00:00", "Target hardware address"},
                {"targetProtocolAddress", 38, 4, "192.168.0.2", "Target protocol address"}});
  EXPECT_EQ(FieldValue(*result, "trailing", "data"), "18 bytes");
}

TEST(PacketDecodeArp, OtherAddressSizesShowTheirLength) {
  // Hardware length 8, protocol length 4 of protocol 0x86DD: sizes only.
  const Bytes arp = HexBytes("0006 86DD 08 04 0002 0102030405060708 0A000001 1112131415161718 0A000002");
  auto result = Inspect(Concat({EthernetHeader(0x0806), arp}), PacketMode::kEthernet);
  EXPECT_EQ(FieldValue(*result, "arp", "senderHardwareAddress"), "8 bytes");
  EXPECT_EQ(FieldValue(*result, "arp", "senderProtocolAddress"), "4 bytes");
  EXPECT_EQ(FieldValue(*result, "arp", "targetHardwareAddress"), "8 bytes");
  EXPECT_EQ(FieldValue(*result, "arp", "targetProtocolAddress"), "4 bytes");
  const PacketField* target = FindField(*result, "arp", "targetProtocolAddress");
  ASSERT_NE(target, nullptr);
  EXPECT_EQ(target->offset, 14u + 8 + 2 * 8 + 4);
  EXPECT_EQ(target->length, 4u);
  EXPECT_THAT(LayerSpans(*result), ElementsAre("ethernet@0+14", "arp@14+32"));
}

TEST(PacketDecodeArp, ShortMessagesAreTruncated) {
  auto fixed = Inspect(Concat({EthernetHeader(0x0806), HexBytes("0001 0800 06 04 00")}),
                       PacketMode::kEthernet);
  EXPECT_THAT(WarningSpots(*fixed), ElementsAre("truncated-arp@14"));
  EXPECT_STREQ(fixed->warnings[0].message, "ARP fixed header needs 8 bytes");
  EXPECT_THAT(LayerSpans(*fixed), ElementsAre("ethernet@0+14", "arp@14+7"));
  EXPECT_EQ(fixed->confidence, 35);

  Bytes cut = Concat({EthernetHeader(0x0806), ArpRequest()});
  cut.pop_back();
  auto addresses = Inspect(cut, PacketMode::kEthernet);
  EXPECT_THAT(WarningSpots(*addresses), ElementsAre("truncated-arp-addresses@22"));
  EXPECT_STREQ(addresses->warnings[0].message, "ARP address fields exceed available bytes");
  EXPECT_THAT(LayerSpans(*addresses), ElementsAre("ethernet@0+14", "arp@14+27"));
  EXPECT_EQ(FieldValue(*addresses, "arp", "operation"), "1");
  EXPECT_EQ(FindField(*addresses, "arp", "senderHardwareAddress"), nullptr);
}

TEST(PacketDecodeArp, StaysWithinItsBound) {
  const Bytes bytes = ArpRequest();
  PacketResult result{};
  PacketDecodeArp(bytes.data(), bytes.size(), 0, 20, &result);
  EXPECT_THAT(LayerSpans(result), ElementsAre("arp@0+20"));
  EXPECT_THAT(WarningSpots(result), ElementsAre("truncated-arp-addresses@8"));

  PacketResult beyond{};
  PacketDecodeArp(bytes.data(), bytes.size(), 30, 20, &beyond);
  EXPECT_THAT(LayerSpans(beyond), ElementsAre("arp@30+0"));
  EXPECT_THAT(WarningSpots(beyond), ElementsAre("truncated-arp@30"));
}

}  // namespace
}  // namespace nubo::testing
