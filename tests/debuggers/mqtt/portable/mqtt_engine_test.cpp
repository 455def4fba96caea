#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "debuggers/mqtt/mqtt_requests.h"
#include "tests/debuggers/mqtt/portable/fake_engine_host.h"

namespace nubo {
namespace {

struct Session {
  explicit Session(bool acceptConnack = true) {
    MqttConnectOptions options;
    options.clientId = "c";
    options.password = "";
    options.keepAlive = 5;
    EXPECT_EQ(engine.SendConnect(options, error), MqttStep::kOk);
    if (acceptConnack) EXPECT_EQ(Feed("20020000"), "ok");
    host.sent.clear();
    host.events.clear();
  }
  std::string Feed(const std::string& hex) {
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(MqttParseStrictHex(hex, bytes));
    return Outcome(engine.Receive(bytes.data(), bytes.size(), error));
  }
  std::string Outcome(MqttStep step) {
    if (step == MqttStep::kAborted) return "aborted";
    return step == MqttStep::kOk ? "ok" : error;
  }
  std::string Command(const char* name, const std::string& topic, uint8_t qos, std::vector<uint8_t> payload = {}) {
    MqttCommand command;
    command.name = name, command.topic = topic, command.qos = qos, command.payload = std::move(payload);
    return Outcome(engine.SendCommand(std::move(command), error));
  }
  testing::FakeEngineHost host;
  MqttEngine engine{host};
  std::string error;
};

std::string Hex16(unsigned value) {
  char text[5];
  snprintf(text, sizeof text, "%04x", value);
  return text;
}

struct PacketCase {
  const char* hex;
  const char* outcome;
};

TEST(MqttEngine, ConnackCodes) {
  const PacketCase cases[] = {
      {"20020000", "ok"}, {"20020001", "Broker 不支持当前 MQTT 协议版本。"}, {"20020002", "Broker 拒绝了客户端 ID。"},
      {"20020003", "Broker 服务不可用。"}, {"20020004", "MQTT 用户名或密码错误。"},
      {"20020005", "Broker 未授权此客户端。"}, {"20020006", "Broker 返回了未知 CONNACK 错误。"},
      {"20020100", "Broker 返回了无效 CONNACK。"}, {"2003000000", "Broker 返回了无效 CONNACK。"},
      {"21020000", "Broker 返回了无效 CONNACK。"}, {"3003000174", "Broker 返回了无效 CONNACK。"}};
  for (const PacketCase& c : cases) {
    Session s(false);
    EXPECT_EQ(s.Feed(c.hex), c.outcome) << c.hex;
    EXPECT_EQ(s.engine.Connected(), s.host.connected) << c.hex;
  }
  Session s;
  EXPECT_TRUE(s.host.connected);
}

TEST(MqttEngine, IncomingPacketChecks) {
  const char* topic = "Broker 返回了无效 PUBLISH 主题。";
  const char* ack = "Broker 返回了无效确认包。";
  const char* suback = "Broker 拒绝订阅或返回了无效 SUBACK。";
  const char* unsupported = "Broker 返回了当前客户端不支持的数据包。";
  const PacketCase cases[] = {
      {"300100", topic}, {"3003000261", topic}, {"3003000174", "ok"}, {"3003000100", topic},
      {"300300012b", topic}, {"3603000174", "Broker 返回了保留的 QoS 值。"},
      {"320400017400", "Broker 的 PUBLISH 缺少数据包标识。"}, {"32050001740000", "MQTT 会话失败。"},
      {"32050001740001", "ok"}, {"60020001", "Broker 返回了无效 PUBREL。"},
      {"6203000100", "Broker 返回了无效 PUBREL。"}, {"62020000", "Broker 返回了无效 PUBREL 数据包标识。"},
      {"62020001", "ok"}, {"41020001", ack}, {"4003000100", ack}, {"b0020000", ack}, {"70020001", "ok"},
      {"9003000103", suback}, {"9003000180", suback}, {"9103000100", suback}, {"90020001", suback},
      {"9003000102", "ok"}, {"d000", "ok"}, {"d00100", "Broker 返回了无效 PINGRESP。"},
      {"20020000", unsupported}, {"c000", unsupported}, {"0000", unsupported}, {"f000", unsupported},
      {"30ffffffff", "Broker 返回的 MQTT 数据包无效或过大。"}};
  for (const PacketCase& c : cases) EXPECT_EQ(Session().Feed(c.hex), c.outcome) << c.hex;
}

TEST(MqttEngine, Qos2DuplicateDeliveredOnceOnPubrel) {
  Session s;
  EXPECT_EQ(s.Feed("35060001740007ab" "35060001740007ab"), "ok");
  EXPECT_TRUE(s.host.events.empty());
  EXPECT_EQ(s.engine.InboundQos2Bytes(), 1u);
  EXPECT_EQ(s.Feed("62020007"), "ok");
  EXPECT_EQ(s.Feed("62020007"), "ok");
  EXPECT_EQ(s.host.sent, (std::vector<std::string>{"50020007", "50020007", "70020007", "70020007"}));
  ASSERT_EQ(s.host.events.size(), 1u);
  EXPECT_EQ(s.host.events[0].payload, std::vector<uint8_t>{0xAB});
  EXPECT_TRUE(s.host.events[0].retain);
  EXPECT_EQ(s.host.rxMessages, 1u);
  EXPECT_EQ(s.engine.InboundQos2Bytes(), 0u);
}

TEST(MqttEngine, PacketIdWrapSkipsHeldIds) {
  Session s;
  EXPECT_EQ(s.Command("subscribe", "a", 0), "ok");  // id 1, held
  EXPECT_EQ(s.Command("subscribe", "b", 0), "ok");  // id 2, held
  for (int id = 3; id <= 65535; ++id) ASSERT_EQ(s.engine.AllocatePacketId(), id);
  EXPECT_EQ(s.engine.AllocatePacketId(), 3);
  EXPECT_EQ(s.Command("unsubscribe", "a", 0), "ok");
  EXPECT_EQ(s.host.sent.back(), "a2050004000161");
}

TEST(MqttEngine, OutboundExchanges) {
  Session s;
  EXPECT_EQ(s.Command("publish", "t", 1, {0x01}), "ok");
  EXPECT_EQ(s.Command("publish", "t", 2, {0x02, 0x03}), "ok");
  EXPECT_EQ(s.Command("subscribe", "a/+", 2), "ok");
  EXPECT_EQ(s.Command("subscribe", "b", 1), "ok");
  EXPECT_EQ(s.Feed("50020001" "40020002" "40020001" "50020002" "50020002"), "ok");
  EXPECT_EQ(s.host.sent.size(), 6u);  // a repeated PUBREC is answered again
  EXPECT_EQ(s.host.sent.back(), "62020002");
  EXPECT_EQ(s.engine.Outbound().at(2).kind, "pubrel");
  EXPECT_EQ(s.Feed("70020002" "9003000302" "9003000400"), "ok");  // granted QoS 2 and 0
  EXPECT_TRUE(s.engine.Outbound().empty());
  EXPECT_EQ(s.host.subscriptions, (std::map<std::string, uint8_t>{{"a/+", 2}, {"b", 0}}));
  EXPECT_EQ(s.host.events.back().message, "已订阅 b。");
  EXPECT_EQ(s.Command("unsubscribe", "a/+", 0), "ok");
  EXPECT_EQ(s.Command("subscribe", "c", 0), "ok");
  EXPECT_EQ(s.Feed("b0020006" "b0020005"), "ok");  // an UNSUBACK for a subscribe is ignored
  EXPECT_EQ(s.host.subscriptions, (std::map<std::string, uint8_t>{{"b", 0}}));
  EXPECT_EQ(s.host.events.back().message, "已取消订阅 a/+。");
  EXPECT_EQ(s.host.txMessages, 2u);
  EXPECT_EQ(s.host.txBytes, 3u);
  EXPECT_EQ(s.host.events[1].payload, (std::vector<uint8_t>{0x02, 0x03}));
  s.host.sendOutcome = MqttStep::kAborted;
  EXPECT_EQ(s.Command("publish", "t", 2), "aborted");
  EXPECT_EQ(s.Feed("50020007"), "ok");  // an aborted PUBREL keeps the session and the entry
  EXPECT_EQ(s.engine.Outbound().at(7).kind, "publish");
  EXPECT_EQ(s.Feed("32050001740009"), "aborted");
}

// With 128 packets awaiting acknowledgement, a command that needs a packet
// id is not ready (its caller keeps it queued) until one is acknowledged.
TEST(MqttEngine, CommandsNeedingAnIdWaitWhile128AwaitAcknowledgement) {
  const struct { const char* name; uint8_t qos; bool readyWhenFull; } commands[] = {
      {"publish", 0, true}, {"publish", 1, false}, {"publish", 2, false}, {"subscribe", 0, false},
      {"unsubscribe", 0, false}, {"start", 0, true}, {"stop", 0, true}};
  Session s;
  for (int i = 0; i < 127; ++i) ASSERT_EQ(s.Command("publish", "t", 1), "ok");
  const auto ready = [&](const char* name, uint8_t qos) {
    MqttCommand command;
    command.name = name, command.qos = qos;
    return s.engine.Ready(command);
  };
  for (const auto& c : commands) EXPECT_TRUE(ready(c.name, c.qos)) << c.name << int(c.qos);
  ASSERT_EQ(s.Command("subscribe", "a", 1), "ok");
  for (const auto& c : commands) EXPECT_EQ(ready(c.name, c.qos), c.readyWhenFull) << c.name << int(c.qos);
  EXPECT_EQ(s.Command("publish", "t", 0), "ok");
  EXPECT_EQ(s.Command("unsubscribe", "a", 0), "MQTT 等待确认的数据包过多。");
  EXPECT_EQ(s.Feed("40020080"), "ok");  // a PUBACK for the subscribe's id frees nothing
  EXPECT_FALSE(ready("subscribe", 0));
  EXPECT_EQ(s.Feed("4002007f"), "ok");
  EXPECT_TRUE(ready("subscribe", 0));
  ASSERT_EQ(s.Command("publish", "t", 2), "ok");
  s.engine.ConnectionClosed();  // queued commands are then discarded as they are taken
  EXPECT_TRUE(ready("publish", 1));
}

// A flood is handled 512 packets per read, then again without a read, so that
// the caller looks at its queue in between; a partial packet does not wait.
TEST(MqttEngine, AReadHandlesAtMost512Packets) {
  for (const size_t count : {511u, 512u, 513u, 1025u}) {
    SCOPED_TRACE(count);
    Session s;
    std::string flood;
    for (size_t i = 0; i < count; ++i) flood += "3003000174";
    EXPECT_EQ(s.Feed(flood + "30"), "ok");
    size_t reads = 1;
    for (; s.engine.PacketsWaiting(); ++reads) {
      EXPECT_EQ(s.host.rxMessages, 512 * reads);
      ASSERT_EQ(s.Outcome(s.engine.ReadPackets(s.error)), "ok");
    }
    EXPECT_EQ(reads, (count + 511) / 512);
    EXPECT_EQ(s.host.rxMessages, count);
    EXPECT_EQ(s.engine.PendingReceiveBytes(), 1u);
  }
  Session bad;
  std::string pings;
  for (int i = 0; i < 512; ++i) pings += "d000";
  EXPECT_EQ(bad.Feed(pings + "30ffffffff"), "ok");
  EXPECT_TRUE(bad.engine.PacketsWaiting());  // a malformed header waits to end the session
  EXPECT_EQ(bad.Outcome(bad.engine.ReadPackets(bad.error)), "Broker 返回的 MQTT 数据包无效或过大。");
}

TEST(MqttEngine, InboundQos2Bounds) {
  Session q;
  for (unsigned id = 1; id <= 128; ++id) ASSERT_EQ(q.Feed("3405000174" + Hex16(id)), "ok");
  EXPECT_EQ(q.Feed("3405000174ffff"), "收到的 QoS 2 等待队列已满。");
  EXPECT_EQ(q.Feed("3405000174007f"), "ok");  // a repeated id is not refused by the limits
  Session b;
  const std::string quarterMiB(2 * 262'144, '0');
  for (unsigned id = 1; id <= 8; ++id) ASSERT_EQ(b.Feed("34858010000174" + Hex16(id) + quarterMiB), "ok");
  EXPECT_EQ(b.Feed("340600017400ff00"), "收到的 QoS 2 等待队列已满。");
}

TEST(MqttEngine, ReceiveBufferAndPayloadBounds) {
  const std::string header = "30fcff3f00017400";  // a 1 MiB packet, QoS 0, topic "t"
  const auto payloadOf = [](size_t n) { return std::string(2 * n, 'a'); };
  const struct { size_t more; const char* outcome; } overflows[] = {
      {48'569, "MQTT 接收缓冲区超过 1 MiB 上限。"}, {48'568, "收到的 MQTT 载荷超过 256 KiB 上限。"}};
  for (const auto& c : overflows) {
    Session s;
    EXPECT_EQ(s.Feed(header + payloadOf(1'000'000)), "ok") << c.more;
    EXPECT_EQ(s.Feed(payloadOf(c.more)), c.outcome) << c.more;
  }
  for (size_t payload : {262'144u, 262'145u}) {
    const size_t remaining = 3 + payload;
    char length[7];
    snprintf(length, sizeof length, "%02zx%02zx%02zx", (remaining & 0x7F) | 0x80, ((remaining >> 7) & 0x7F) | 0x80,
             remaining >> 14);
    EXPECT_EQ(Session().Feed("30" + std::string(length) + "000174" + payloadOf(payload)),
              payload == 262'144u ? "ok" : "收到的 MQTT 载荷超过 256 KiB 上限。");
  }
}

TEST(MqttEngine, KeepAliveAndConnackTimers) {
  Session c(false);
  c.host.now += 9'999;
  EXPECT_EQ(c.Outcome(c.engine.CheckTimers(c.error)), "ok");
  c.host.now += 1;
  EXPECT_EQ(c.Outcome(c.engine.CheckTimers(c.error)), "等待 MQTT CONNACK 超时。");
  Session s;
  EXPECT_EQ(s.Feed("3003000174"), "ok");  // received traffic does not delay the PINGREQ
  s.host.now += 2'499;
  EXPECT_EQ(s.Outcome(s.engine.CheckTimers(s.error)), "ok");
  EXPECT_TRUE(s.host.sent.empty());
  s.host.now += 1;
  EXPECT_EQ(s.Outcome(s.engine.CheckTimers(s.error)), "ok");
  EXPECT_EQ(s.host.sent, std::vector<std::string>{"c000"});
  s.host.now += 4'999;
  EXPECT_EQ(s.Outcome(s.engine.CheckTimers(s.error)), "ok");
  s.host.now += 1;
  EXPECT_EQ(s.Outcome(s.engine.CheckTimers(s.error)), "等待 MQTT PINGRESP 超时。");
  EXPECT_EQ(s.Outcome(s.engine.CheckTimers(s.error)), "ok");
}

}  // namespace
}  // namespace nubo
