#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "store/hex_text.h"
#include "debuggers/mqtt/mqtt_codec.h"
#include "debuggers/mqtt/mqtt_requests.h"

namespace nubo {
namespace {

std::string Bytes(const std::string& hex) {
  std::vector<uint8_t> bytes;
  EXPECT_TRUE(MqttParseStrictHex(hex, bytes));
  return std::string(bytes.begin(), bytes.end());
}

// Runs an encoder into a buffer of `capacity` bytes; "" when it refuses.
template <typename Encode>
std::string Encoded(Encode encode, uint64_t capacity = 64) {
  std::vector<uint8_t> data(capacity, 0xEE);
  MqttBuffer buffer{data.data(), capacity, 99};
  if (!encode(&buffer)) {
    EXPECT_EQ(buffer.length, 0u);
    return "";
  }
  return ToLowerHex(data.data(), buffer.length);
}

TEST(MqttCodec, RemainingLengthEdgesBothWays) {
  const struct { uint64_t length; const char* field; } cases[] = {
      {127, "7f"}, {128, "8001"}, {16'383, "ff7f"}, {16'384, "808001"},
      {2'097'151, "ffff7f"}, {2'097'152, "80808001"}, {268'435'455, "ffffff7f"}, {268'435'456, ""}};
  for (const auto& c : cases) {
    const auto begin = [&](MqttBuffer* b) { return MqttBeginPacket(b, 0x30, c.length); };
    const std::string hex = Encoded(begin);
    EXPECT_EQ(hex, c.field[0] ? "30" + std::string(c.field) : "") << c.length;
    if (hex.empty()) continue;
    EXPECT_EQ(Encoded(begin, hex.size() / 2), hex);
    EXPECT_EQ(Encoded(begin, hex.size() / 2 - 1), "");
    const std::string header = Bytes(hex);
    uint64_t packet = 0, headerSize = 0;
    EXPECT_EQ(MqttParseFixedHeader(reinterpret_cast<const uint8_t*>(header.data()), header.size(), ~0ull,
                                   &packet, &headerSize), 0);
    EXPECT_EQ(headerSize, header.size());
    EXPECT_EQ(packet, header.size() + c.length);
  }
}

TEST(MqttCodec, FixedHeaderParse) {
  const struct { const char* hex; uint64_t max; int result; uint64_t packet; } cases[] = {
      {"30", 100, 0, 0},       {"3080", 100, 0, 0},     {"30808080", 100, 0, 0},
      {"3080808080", ~0ull, -1, 0}, {"d000", 100, 1, 2}, {"30020000", 4, 1, 4},
      {"30020000", 3, -1, 0},  {"300200", 100, 0, 4}};
  for (const auto& c : cases) {
    const std::string data = Bytes(c.hex);
    uint64_t packet = 9, header = 9;
    EXPECT_EQ(MqttParseFixedHeader(reinterpret_cast<const uint8_t*>(data.data()), data.size(), c.max,
                                   &packet, &header), c.result) << c.hex;
    EXPECT_EQ(packet, c.packet) << c.hex;
  }
  uint64_t size = 0;
  EXPECT_EQ(MqttParseFixedHeader(reinterpret_cast<const uint8_t*>("\xd0"), 2, 9, nullptr, &size), -1);
  EXPECT_EQ(MqttParseFixedHeader(nullptr, 0, 9, &size, &size), 0);
  EXPECT_EQ(MqttParseFixedHeader(nullptr, 1, 9, &size, &size), -1);
  EXPECT_EQ(MqttWriteString(nullptr, "a", 1), 0);
}

TEST(MqttCodec, Utf8Rules) {
  const struct { const char* hex; int valid; } cases[] = {
      {"01", 1}, {"", 1}, {"c080", 0}, {"c280", 1}, {"dfbf", 1}, {"c27f", 0}, {"e09fbf", 0}, {"e0a080", 1},
      {"ed9fbf", 1}, {"eda080", 0}, {"ee8080", 1}, {"efb78f", 1}, {"efb790", 0}, {"efb7af", 0},
      {"efb7b0", 1}, {"efbfbe", 0}, {"efbfbd", 1}, {"f08fbfbf", 0}, {"f0908080", 1},
      {"f09fbfbf", 0}, {"f48fbfbd", 1}, {"f4908080", 0}, {"f5808080", 0}, {"e0a0", 0}, {"80", 0}};
  for (const auto& c : cases) {
    const std::string text = Bytes(c.hex);
    uint64_t length = 77;
    EXPECT_EQ(MqttIsValidUtf8(text.c_str(), &length), c.valid) << c.hex;
    if (c.valid) EXPECT_EQ(length, text.size());
  }
  uint64_t length = 0;
  EXPECT_EQ(MqttIsValidUtf8(nullptr, &length), 0);
  EXPECT_EQ(MqttIsValidUtf8(std::string(65'535, 'a').c_str(), &length), 1);
  EXPECT_EQ(MqttIsValidUtf8(std::string(65'536, 'a').c_str(), &length), 0);
  EXPECT_EQ(MqttIsValidUtf8((std::string(65'534, 'a') + "\xc2\x80").c_str(), &length), 0);
}

TEST(MqttCodec, TopicRules) {
  const struct { const char* text; int name; int filter; } cases[] = {
      {"#", 0, 1}, {"a/#", 0, 1}, {"+", 0, 1}, {"+/b", 0, 1}, {"a/+/b", 0, 1}, {"a/+", 0, 1},
      {"a#", 0, 0}, {"a/#/b", 0, 0}, {"a+", 0, 0}, {"+a", 0, 0}, {"a/b+", 0, 0}, {"", 0, 0},
      {"a/b", 1, 1}, {"/", 1, 1}, {"\xc0\x80", 0, 0}};
  for (const auto& c : cases) {
    EXPECT_EQ(MqttIsValidTopicName(c.text), c.name) << c.text;
    EXPECT_EQ(MqttIsValidTopicFilter(c.text), c.filter) << c.text;
  }
}

// Every encoder: its exact bytes into a buffer exactly as long, and a
// refusal with nothing written past the end into every shorter buffer and a
// buffer without data.
TEST(MqttCodec, PacketLayoutsFitExactlyOrAreRefused) {
  using Encoder = std::function<int(MqttBuffer*)>;
  const auto connect = [](const char* client, const char* user, const char* password) -> Encoder {
    return [=](MqttBuffer* b) {
      const MqttConnectParams params{client, user, password, 60, 1};
      return MqttEncodeConnect(&params, b);
    };
  };
  const uint8_t payload[] = {0xAB, 0xCD};
  const auto publish = [&](uint16_t id, const char* topic, const uint8_t* data, uint64_t length,
                           uint8_t qos) -> Encoder {
    return [=](MqttBuffer* b) { return MqttEncodePublish(id, topic, data, length, qos, 1, b); };
  };
  const struct {
    Encoder encode;
    const char* hex;  // "": refused
  } cases[] = {
      {connect("a", nullptr, nullptr), "100d00044d5154540402003c000161"},
      {connect("a", "", nullptr), "100f00044d5154540482003c0001610000"},
      {connect("a", "u", "p"), "101300044d51545404c2003c000161000175000170"},
      {connect("a", nullptr, "p"), ""},
      {connect("", nullptr, nullptr), ""},
      {publish(7, "t", payload, 2, 1), "33070001740007abcd"},
      {publish(7, "t", payload, 2, 0), "3105000174abcd"},
      {publish(0, "t", nullptr, 0, 0), "3103000174"},
      {publish(0, "t", payload, 2, 1), ""},
      {publish(1, "t", payload, 2, 3), ""},
      {publish(7, "t", payload, ~0ull - 2, 1), ""},  // would wrap the 64-bit sum
      {publish(0, "t", nullptr, 1, 0), ""},
      {publish(0, "a/+", payload, 1, 0), ""},
      {[](MqttBuffer* b) { return MqttEncodeAck(kMqttPubrel, 0x1234, b); }, "62021234"},
      {[](MqttBuffer* b) { return MqttEncodeAck(kMqttPuback, 0, b); }, ""},
      {[](MqttBuffer* b) { return MqttEncodeHeaderOnly(kMqttPingreq, b); }, "c000"},
      {[](MqttBuffer* b) { return MqttEncodeSubscribe(2, "a/#", 2, b); }, "820800020003612f2302"},
      {[](MqttBuffer* b) { return MqttEncodeSubscribe(0, "a/#", 2, b); }, ""},
      {[](MqttBuffer* b) { return MqttEncodeSubscribe(2, "a/#", 3, b); }, ""},
      {[](MqttBuffer* b) { return MqttEncodeSubscribe(2, "a#", 0, b); }, ""},
      {[](MqttBuffer* b) { return MqttEncodeUnsubscribe(3, "+", b); }, "a205000300012b"},
      {[](MqttBuffer* b) { return MqttEncodeUnsubscribe(0, "+", b); }, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.hex);
    EXPECT_EQ(Encoded(c.encode), c.hex);
    MqttBuffer empty{nullptr, 64, 5};
    EXPECT_EQ(c.encode(&empty), 0);
    EXPECT_EQ(empty.length, 0u);
    const uint64_t size = std::string(c.hex).size() / 2;
    if (size == 0) continue;
    EXPECT_EQ(Encoded(c.encode, size), c.hex);
    for (uint64_t shorter = 0; shorter < size; ++shorter) EXPECT_EQ(Encoded(c.encode, shorter), "") << shorter;
  }
  uint8_t bytes[64];
  MqttBuffer buffer{bytes, sizeof bytes, 0};
  EXPECT_EQ(MqttEncodeConnect(nullptr, &buffer), 0);
}

}  // namespace
}  // namespace nubo
