#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "datatools/packet/packet_inspector_tool.h"
#include "datatools/packet/packet_json.h"
#include "datatools/packet/packet_steps.h"
#include "tests/support/case_name.h"

namespace nubo {
namespace {

struct GoldenCase {
  const char* name;
  const char* operation;
  const char* input;
  const char* json;
};

class PacketJsonGolden : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(PacketJsonGolden, MatchesByteForByte) {
  const PacketInspectorOutcome outcome = InspectPacketHexDump(GetParam().input, GetParam().operation);
  ASSERT_TRUE(outcome.success) << outcome.message;
  EXPECT_EQ(outcome.output, GetParam().json);
  // The JSON library writes the same text for the parsed document.
  EXPECT_EQ(nlohmann::json::parse(outcome.output).dump(), outcome.output);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, PacketJsonGolden,
    ::testing::Values(
        GoldenCase{"empty", "auto", "",
                   R"json({"byteCount":0,"bytes":[],"confidence":10,"fields":[],"layers":[],"mode":"auto","protocol":"Empty","warnings":[{"code":"empty-input","message":"No packet bytes were supplied","offset":0}]})json"},
        GoldenCase{"raw", "raw", "0x45,0x00:0a-ff",
                   R"json({"byteCount":4,"bytes":[69,0,10,255],"confidence":0,"fields":[{"layer":"payload","length":4,"name":"data","offset":0,"summary":"No protocol boundary can be inferred safely","value":"4 bytes"}],"layers":[{"id":"payload","length":4,"name":"Payload","offset":0,"summary":"No protocol boundary can be inferred safely"}],"mode":"raw","protocol":"Raw bytes","warnings":[]})json"},
        GoldenCase{"udp", "udp", "0035 14e9 000c a862 01020304",
                   R"json({"byteCount":12,"bytes":[0,53,20,233,0,12,168,98,1,2,3,4],"confidence":65,"fields":[{"layer":"udp","length":2,"name":"sourcePort","offset":0,"summary":"Source UDP port","value":"53"},{"layer":"udp","length":2,"name":"destinationPort","offset":2,"summary":"Destination UDP port","value":"5353"},{"layer":"udp","length":2,"name":"length","offset":4,"summary":"UDP header plus payload length","value":"12 bytes"},{"layer":"udp","length":2,"name":"checksum","offset":6,"summary":"UDP checksum (not validated)","value":"0xA862"},{"layer":"payload","length":4,"name":"data","offset":8,"summary":"UDP application data","value":"4 bytes"}],"layers":[{"id":"udp","length":8,"name":"User Datagram Protocol","offset":0,"summary":"UDP datagram header"},{"id":"payload","length":4,"name":"Payload","offset":8,"summary":"UDP application data"}],"mode":"udp","protocol":"UDP","warnings":[]})json"},
        GoldenCase{"truncated_ipv4", "ipv4", "45 00 00 50 12 34 00 00 40 06 be ef c0 a8 01",
                   R"json({"byteCount":15,"bytes":[69,0,0,80,18,52,0,0,64,6,190,239,192,168,1],"confidence":35,"fields":[],"layers":[{"id":"ipv4","length":15,"name":"Internet Protocol Version 4","offset":0,"summary":"IPv4 packet"}],"mode":"ipv4","protocol":"IPv4","warnings":[{"code":"truncated-ipv4","message":"IPv4 header needs at least 20 bytes","offset":0}]})json"},
        GoldenCase{"arp_detected", "auto",
                   "0011223344556677 8899aabb 0806 0001 0800 0604 0001 020000000001 c0a80001 "
                   "000000000000 c0a80002",
                   R"json({"byteCount":42,"bytes":[0,17,34,51,68,85,102,119,136,153,170,187,8,6,0,1,8,0,6,4,0,1,2,0,0,0,0,1,192,168,0,1,0,0,0,0,0,0,192,168,0,2],"confidence":98,"fields":[{"layer":"ethernet","length":6,"name":"destination","offset":0,"summary":"Destination MAC address","value":"00:11:22:33:44:55"},{"layer":"ethernet","length":6,"name":"source","offset":6,"summary":"Source MAC address","value":"66:77:88:99:AA:BB"},{"layer":"ethernet","length":2,"name":"etherType","offset":12,"summary":"Encapsulated protocol EtherType","value":"0x0806"},{"layer":"arp","length":2,"name":"hardwareType","offset":14,"summary":"Link-layer address type","value":"1"},{"layer":"arp","length":2,"name":"protocolType","offset":16,"summary":"Network protocol EtherType","value":"0x0800"},{"layer":"arp","length":1,"name":"hardwareAddressLength","offset":18,"summary":"Hardware address size","value":"6"},{"layer":"arp","length":1,"name":"protocolAddressLength","offset":19,"summary":"Protocol address size","value":"4"},{"layer":"arp","length":2,"name":"operation","offset":20,"summary":"ARP request/reply operation","value":"1"},{"layer":"arp","length":6,"name":"senderHardwareAddress","offset":22,"summary":"Sender hardware address","value":"02:00:00:00:00:01"},{"layer":"arp","length":4,"name":"senderProtocolAddress","offset":28,"summary":"Sender protocol address","value":"192.168.0.1"},{"layer":"arp","length":6,"name":"targetHardwareAddress","offset":32,"summary":"Target hardware address","value":"00:00:00:00:00:00"},{"layer":"arp","length":4,"name":"targetProtocolAddress","offset":38,"summary":"Target protocol address","value":"192.168.0.2"}],"layers":[{"id":"ethernet","length":14,"name":"Ethernet II","offset":0,"summary":"Ethernet frame header"},{"id":"arp","length":28,"name":"Address Resolution Protocol","offset":14,"summary":"ARP message"}],"mode":"auto","protocol":"Ethernet II / ARP","warnings":[]})json"}),
    nubo::testing::CaseName());

// Texts that need escaping come out as the JSON library writes them.
TEST(PacketResultToJson, EscapesLikeTheJsonLibrary) {
  auto result = std::make_unique<PacketResult>();
  result->mode = PacketMode::kTcp;
  result->confidence = 42;
  const std::string awkward = std::string("q\"b\\s/\b\f\n\r\t\x01\x1f\x7f", 14);
  std::strcpy(result->summary, "a\"b");
  PacketAddLayer(result.get(), awkward, "n", 1, 2, "s");
  PacketAddField(result.get(), "l", "n", 3, 4, awkward, "s");
  PacketAddWarning(result.get(), "c", awkward, 5);
  const std::uint8_t bytes[] = {0, 255};
  const std::string text = PacketResultToJson(*result, bytes, 2);

  nlohmann::json expected = {
      {"mode", "tcp"},
      {"byteCount", 2},
      {"protocol", "a\"b"},
      {"confidence", 32},  // the warning took 10
      {"bytes", {0, 255}},
      {"layers", {{{"id", awkward}, {"name", "n"}, {"offset", 1}, {"length", 2}, {"summary", "s"}}}},
      {"fields",
       {{{"layer", "l"}, {"name", "n"}, {"offset", 3}, {"length", 4}, {"value", awkward}, {"summary", "s"}}}},
      {"warnings", {{{"code", "c"}, {"message", awkward}, {"offset", 5}}}},
  };
  EXPECT_EQ(text, expected.dump());
}

TEST(PacketResultToJson, WritesOffsetsBeyondThirtyTwoBits) {
  auto result = std::make_unique<PacketResult>();
  PacketAddPayloadLayer(result.get(), 4294967296ull, 4294967306ull, "s");
  const std::uint8_t byte = 0;
  const std::string text = PacketResultToJson(*result, &byte, 0);
  const nlohmann::json parsed = nlohmann::json::parse(text);
  EXPECT_EQ(parsed["layers"][0]["offset"].get<std::uint64_t>(), 4294967296ull);
  EXPECT_EQ(parsed["fields"][0]["value"], "10 bytes");
}

}  // namespace
}  // namespace nubo
