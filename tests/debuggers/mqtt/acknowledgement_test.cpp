// The MQTT client's acknowledgements against scripted Python brokers: a QoS 1
// flood answered whole and in order, and accepted publishes that wait while
// 128 packets await acknowledgement.

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "debuggers/mqtt/mqtt_service.h"
#include "tests/debuggers/mqtt/support/mqtt_peer_test.h"
#include "tests/debuggers/mqtt/support/mqtt_session.h"

namespace nubo {
namespace {

std::string Counting(int first, int last) {
  std::string words;
  for (int i = first; i <= last; ++i) {
    if (i > first) words += ' ';
    words += std::to_string(i);
  }
  return words;
}

class MqttAcknowledgementTest : public testing::MqttPeerTest {
 protected:
  // The packet ids of the packets of `type` the scripted broker took, once
  // it took `count` of them.
  std::string IdsOnceTaken(int port, int type, size_t count) {
    std::string ids;
    session_.WaitUntil([&] {
      ids = peer_->Call("ids " + std::to_string(port) + " " + std::to_string(type));
      return testing::SplitWords(ids).size() >= count;
    });
    return ids;
  }

  MqttService service_;
  testing::MqttSession session_{service_};
};

TEST_F(MqttAcknowledgementTest, AQos1FloodIsDeliveredAndEachPublishAcknowledgedInOrder) {
  const int port = peer_->Number("script flood");
  session_.Start("127.0.0.1", port);
  ASSERT_TRUE(session_.WaitUntil([&] { return session_.snapshot()["rxMessages"] == 5000; })) << session_.snapshot();
  EXPECT_EQ(session_.snapshot()["rxBytes"], 5000 * 16);
  EXPECT_EQ(IdsOnceTaken(port, 4, 5000), Counting(1, 5000));
  EXPECT_EQ(session_.State(), "connected");
}

TEST_F(MqttAcknowledgementTest, AcceptedPublishesWaitWhile128AwaitAcknowledgement) {
  const int port = peer_->Number("script held");
  session_.Start("127.0.0.1", port);
  ASSERT_TRUE(session_.WaitForState("connected"));
  for (int i = 0; i < 128; ++i) ASSERT_FALSE(session_.Publish("t", "01", 1).contains("error")) << i;
  ASSERT_TRUE(session_.WaitForEvents("published", 128));
  // The next 128 are accepted and wait in the queue, whose limit still holds.
  for (int i = 0; i < 128; ++i) ASSERT_FALSE(session_.Publish("t", "02", 1).contains("error")) << i;
  EXPECT_EQ(session_.Publish("t", "03", 1)["error"], "MQTT 待处理操作已达到上限。");
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  session_.Poll();
  EXPECT_EQ(session_.EventsOf("published").size(), 128u);
  EXPECT_EQ(session_.State(), "connected");

  peer_->Call("release " + std::to_string(port));
  ASSERT_TRUE(session_.WaitForEvents("published", 256)) << session_.snapshot();
  EXPECT_EQ(IdsOnceTaken(port, 3, 256), Counting(1, 256));
  EXPECT_EQ(session_.State(), "connected");
  EXPECT_TRUE(session_.EventsOf("error").empty());
}

}  // namespace
}  // namespace nubo
