// The MQTT client end to end against mosquitto: exact bytes at every QoS in
// both directions, refusals, restarts and TLS.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "debuggers/mqtt/mqtt_service.h"
#include "store/hex_text.h"
#include "tests/debuggers/mqtt/support/mqtt_peer_test.h"
#include "tests/debuggers/mqtt/support/mqtt_session.h"

namespace nubo {
namespace {

using Json = nlohmann::json;

std::string PatternHex(size_t bytes) {
  std::vector<uint8_t> data(bytes);
  for (size_t i = 0; i < bytes; ++i) data[i] = static_cast<uint8_t>(i * 7 + (i >> 8));
  return ToLowerHex(data.data(), data.size());
}

class MqttBrokerTest : public testing::MqttPeerTest {
 protected:
  void Connect(bool tls = false) {
    const int port = tls ? peer_->broker().tls : peer_->broker().plain;
    ASSERT_EQ(session_.Start(tls ? "localhost" : "127.0.0.1", port, tls)["snapshot"]["state"], "connecting");
    ASSERT_TRUE(session_.WaitForState("connected")) << session_.snapshot();
  }
  void Subscribe(const std::string& filter, int qos, size_t statusEvents) {
    ASSERT_FALSE(session_.Subscribe(filter, qos).contains("error"));
    ASSERT_TRUE(session_.WaitForEvents("status", statusEvents)) << session_.snapshot();
  }
  std::vector<std::string> Errors() const {
    std::vector<std::string> texts;
    for (const Json& event : session_.EventsOf("error")) texts.push_back(event["message"]);
    return texts;
  }

  MqttService service_;
  testing::MqttSession session_{service_};
};

struct Delivery {
  int qos;
  std::string hex;
  bool retain;
};

const Delivery kDeliveries[] = {{0, "", false}, {1, PatternHex(262144), false}, {2, "00ff7f80", true}};

TEST_F(MqttBrokerTest, EveryQosCarriesExactBytesBothWays) {
  const int port = peer_->broker().plain;
  Connect();
  Subscribe("out/#", 2, 2);
  Subscribe("in/#", 2, 3);
  const std::string watcher = peer_->Call("sub " + std::to_string(port) + " out/# 3");
  for (const Delivery& d : kDeliveries) {
    ASSERT_FALSE(session_.Publish("out/q" + std::to_string(d.qos), d.hex, d.qos, d.retain).contains("error"));
    peer_->Call("pub " + std::to_string(port) + " in/q" + std::to_string(d.qos) + " " + std::to_string(d.qos) + " " +
                (d.retain ? "1 " : "0 ") + (d.hex.empty() ? "-" : d.hex));
  }
  ASSERT_TRUE(session_.WaitForEvents("message", 6)) << session_.snapshot();
  ASSERT_TRUE(session_.WaitForEvents("published", 3));

  std::vector<std::string> expectedOut;
  for (const Delivery& d : kDeliveries) expectedOut.push_back(std::to_string(d.qos) + ":0:" + (d.hex.empty() ? "-" : d.hex));
  EXPECT_EQ(testing::SplitWords(peer_->Call("subresult " + watcher + " 20")), expectedOut);

  const std::vector<Json> published = session_.EventsOf("published");
  for (size_t i = 0; i < 3; ++i) {
    const Delivery& d = kDeliveries[i];
    SCOPED_TRACE(d.qos);
    EXPECT_EQ(published[i]["payloadHex"], d.hex);
    EXPECT_EQ(published[i]["byteLength"], d.hex.size() / 2);
    EXPECT_EQ(published[i]["retain"], d.retain);
    // Each message arrives twice: our own publish back, and mosquitto_pub's; a
    // live delivery never carries the retain flag.
    for (const std::string prefix : {"out/q", "in/q"}) {
      bool found = false;
      for (const Json& message : session_.EventsOf("message")) {
        if (message["topic"] != prefix + std::to_string(d.qos)) continue;
        found = true;
        EXPECT_EQ(message["payloadHex"], d.hex);
        EXPECT_EQ(message["qos"], d.qos);
        EXPECT_EQ(message["retain"], false);
      }
      EXPECT_TRUE(found) << prefix;
    }
  }
  EXPECT_EQ(session_.snapshot()["txMessages"], 3);
  EXPECT_EQ(session_.snapshot()["rxMessages"], 6);

  // A new subscription gets the retained message with its flag; after an
  // unsubscribe nothing more arrives.
  Subscribe("in/q2", 1, 4);
  ASSERT_TRUE(session_.WaitForEvents("message", 7));
  const Json retained = session_.EventsOf("message").back();
  EXPECT_EQ(retained["retain"], true);
  EXPECT_EQ(retained["qos"], 1);
  EXPECT_EQ(retained["payloadHex"], "00ff7f80");
  ASSERT_FALSE(session_.Request("unsubscribe", {{"topic", "in/#"}}).contains("error"));
  ASSERT_TRUE(session_.WaitForEvents("status", 5));
  EXPECT_EQ(session_.EventsOf("status").back()["message"], "已取消订阅 in/#。");
  EXPECT_EQ(session_.snapshot()["subscriptions"],
            (Json::array({{{"topic", "in/q2"}, {"qos", 1}}, {{"topic", "out/#"}, {"qos", 2}}})));
  EXPECT_TRUE(Errors().empty());
}

// Publishes queued faster than the worker sends go out together: each one
// reaches the broker whole and in order, with its event and counters, also
// past 64 KiB of queued packets.
TEST_F(MqttBrokerTest, AQueuedBurstOfPublishesArrivesWholeAndInOrder) {
  Connect();
  const std::string watcher = peer_->Call("sub " + std::to_string(peer_->broker().plain) + " burst 40");
  std::vector<std::string> expected;
  uint64_t bytes = 0;
  for (int i = 0; i < 40; ++i) {
    const std::string hex = PatternHex(i % 10 == 9 ? 20000 : i + 1);
    ASSERT_FALSE(session_.Publish("burst", hex, i % 2).contains("error"));
    expected.push_back(std::to_string(i % 2) + ":0:" + hex);
    bytes += hex.size() / 2;
  }
  ASSERT_TRUE(session_.WaitForEvents("published", 40)) << session_.snapshot();
  EXPECT_EQ(testing::SplitWords(peer_->Call("subresult " + watcher + " 20")), expected);
  const std::vector<Json> published = session_.EventsOf("published");
  for (size_t i = 0; i < 40; ++i) {
    const Json& event = published[i];
    EXPECT_EQ(std::to_string(event["qos"].get<int>()) + ":0:" + event["payloadHex"].get<std::string>(), expected[i]);
  }
  EXPECT_EQ(session_.snapshot()["txMessages"], 40);
  EXPECT_EQ(session_.snapshot()["txBytes"], bytes);
  EXPECT_TRUE(Errors().empty());
}

TEST_F(MqttBrokerTest, AWrongPasswordGetsTheBrokersRefusal) {
  session_.Start("127.0.0.1", peer_->broker().plain, false, "wrong");
  ASSERT_TRUE(session_.WaitForState("error"));
  // mosquitto answers a wrong password with CONNACK 5, not 4.
  EXPECT_EQ(session_.snapshot()["lastError"], "Broker 未授权此客户端。");
  EXPECT_EQ(Errors(), std::vector<std::string>{"Broker 未授权此客户端。"});
}

TEST_F(MqttBrokerTest, RestartWhileConnectedAndAfterHidingKeepsCountersAndLogsNoError) {
  Connect();
  Subscribe("keep/#", 1, 2);
  ASSERT_FALSE(session_.Publish("keep/a", "01", 1).contains("error"));
  ASSERT_TRUE(session_.WaitForEvents("message", 1));

  const Json restarted = session_.Start("127.0.0.1", peer_->broker().plain);
  EXPECT_EQ(restarted["snapshot"]["state"], "connecting");
  EXPECT_EQ(restarted["snapshot"]["subscriptions"], Json::array());
  ASSERT_TRUE(session_.WaitForState("connected"));

  service_.Stop();  // the workbench is hidden
  session_.Poll();
  EXPECT_EQ(session_.State(), "stopped");
  Connect();
  EXPECT_EQ(session_.snapshot()["txMessages"], 1);
  EXPECT_EQ(session_.snapshot()["rxMessages"], 1);
  EXPECT_TRUE(Errors().empty());
}

TEST_F(MqttBrokerTest, TlsCarries256KiBExactly) {
  Connect(true);
  EXPECT_EQ(session_.snapshot()["tls"], true);
  Subscribe("tls/x", 1, 2);
  const std::string hex = PatternHex(262144);
  ASSERT_FALSE(session_.Publish("tls/x", hex, 1).contains("error"));
  ASSERT_TRUE(session_.WaitForEvents("message", 1)) << session_.snapshot();
  EXPECT_EQ(session_.EventsOf("message")[0]["payloadHex"], hex);
  EXPECT_TRUE(Errors().empty());
}

TEST(MqttServiceRequestTest, ANonObjectPayloadIsRefusedBeforeTheAction) {
  MqttService service;
  testing::MqttSession session(service);
  EXPECT_EQ(session.Request("bogus", Json::array({1}))["error"], "MQTT 请求必须是对象。");
  EXPECT_EQ(session.Request("bogus")["error"], "不支持的 MQTT 操作。");
}

}  // namespace
}  // namespace nubo
