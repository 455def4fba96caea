// The MQTT client's timers, aborts and acknowledgements against scripted
// Python brokers.

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "debuggers/mqtt/mqtt_service.h"
#include "tests/debuggers/common/support/fake_resolver.h"
#include "tests/debuggers/mqtt/support/dual_resolver.h"
#include "tests/debuggers/mqtt/support/mqtt_peer_test.h"
#include "tests/debuggers/mqtt/support/mqtt_session.h"

namespace nubo {
namespace {

using Json = nlohmann::json;
using Clock = std::chrono::steady_clock;
using testing::MillisecondsSince;

// "1 2 ... last".
std::string Counting(int last) {
  std::string words = "1";
  for (int i = 2; i <= last; ++i) words += ' ' + std::to_string(i);
  return words;
}

class MqttSessionTimingTest : public testing::MqttPeerTest {
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

  MqttService service_{testing::DualResolver()};
  testing::MqttSession session_{service_};
};

TEST_F(MqttSessionTimingTest, WithoutConnackTheSessionFailsTenSecondsAfterConnect) {
  const int port = peer_->Number("script silent");
  const auto start = Clock::now();
  session_.Start("127.0.0.1", port);
  ASSERT_TRUE(session_.WaitForState("error", std::chrono::seconds(14)));
  EXPECT_EQ(session_.snapshot()["lastError"], "等待 MQTT CONNACK 超时。");
  EXPECT_GE(MillisecondsSince(start), 9900);  // the deadline runs from the CONNECT, sent after this start
  EXPECT_LE(MillisecondsSince(start), 13000);
}

TEST_F(MqttSessionTimingTest, KeepAlivePingsAtHalfAndGivesUpAWholeKeepAliveLater) {
  const int port = peer_->Number("script noping");
  session_.Start("127.0.0.1", port, false, "s3cret", 5);
  ASSERT_TRUE(session_.WaitForState("connected"));
  ASSERT_TRUE(session_.WaitForState("error", std::chrono::seconds(12)));
  EXPECT_EQ(session_.snapshot()["lastError"], "等待 MQTT PINGRESP 超时。");

  // CONNECT (type 1) at 0, then one PINGREQ (type 12) half the keep-alive
  // later, on the broker's clock, which stamps each packet when its thread
  // gets to read it: a late stamp of the CONNECT moves the PINGREQ earlier.
  const std::vector<std::string> packets = testing::SplitWords(peer_->Call("packets " + std::to_string(port)));
  ASSERT_EQ(packets.size(), 2u) << peer_->Call("packets " + std::to_string(port));
  EXPECT_EQ(packets[0], "1@0");
  ASSERT_EQ(packets[1].rfind("12@", 0), 0u);
  const int pingAt = std::stoi(packets[1].substr(3));
  EXPECT_GE(pingAt, 2400);
  EXPECT_LE(pingAt, 3500);
  // The failure a whole keep-alive after the PINGREQ, on the program's clock.
  const int64_t connectedAt = session_.EventsOf("status").at(0)["timestamp"];
  const int64_t failedAt = session_.EventsOf("error").at(0)["timestamp"];
  EXPECT_GE(failedAt - connectedAt, 7000);
  EXPECT_LE(failedAt - connectedAt, 9000);
}

// Each long step gives way within 80 ms; the bound here only tells giving
// way from running the step's 10-second budget out.
TEST_F(MqttSessionTimingTest, StopOrHideDuringALongStepIsSilentAndPrompt) {
  const int silent = peer_->Number("script silent");
  const int stalled = peer_->Number("script stall");
  const struct {
    const char* step;
    const char* host;
    int port;
    bool tls;
    bool hide;  // the application's stop instead of a "stop" request
  } cases[] = {{"look-up", "held.test", 1883, false, false},
               {"handshake", "localhost", silent, true, true},
               {"blocked send", "127.0.0.1", stalled, false, false},
               {"blocked send, hidden", "127.0.0.1", stalled, false, true}};
  const std::string payload(524288, 'a');
  for (const auto& c : cases) {
    SCOPED_TRACE(c.step);
    MqttService service(testing::DualResolver());
    testing::MqttSession session(service);
    session.Start(c.host, c.port, c.tls);
    if (c.port == stalled) {
      // Publish until the socket's buffers are full: nothing more is written for 300 ms.
      ASSERT_TRUE(session.WaitForState("connected"));
      size_t written = 0;
      auto unchangedSince = Clock::now();
      while (MillisecondsSince(unchangedSince) < 300) {
        session.Publish("big", payload, 0);  // refused while the queue is full
        session.Poll();
        if (session.EventsOf("published").size() != written) {
          written = session.EventsOf("published").size();
          unchangedSince = Clock::now();
        }
        ASSERT_LT(written, 200u);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
    const auto start = Clock::now();
    if (c.hide) {
      service.Stop();
      session.Poll();
    } else {
      session.Request("stop");
      ASSERT_TRUE(session.WaitUntil([&] { return !session.EventsOf("status").empty() &&
                                                 session.EventsOf("status").back()["message"] == "MQTT 客户端已断开。"; },
                                    std::chrono::seconds(3)));
    }
    EXPECT_LE(MillisecondsSince(start), 2000);
    EXPECT_EQ(session.State(), "stopped");
    EXPECT_EQ(session.EventsOf("error").size(), 0u) << session.EventsOf("error").at(0);
    EXPECT_EQ(session.snapshot()["lastError"], "");
  }
  testing::CompletePendingLookups(WSAHOST_NOT_FOUND);
}

TEST_F(MqttSessionTimingTest, AWorkerEndedByAnExceptionIsRestartedByTheNextStopOrStart) {
  session_.Start("throw.test", 1883);
  ASSERT_TRUE(session_.WaitForState("error"));
  EXPECT_EQ(session_.snapshot()["lastError"], "MQTT 后台任务异常：look-up exploded");
  session_.Request("stop");
  ASSERT_TRUE(session_.WaitForState("stopped", std::chrono::seconds(3)));
  EXPECT_EQ(session_.EventsOf("status").back()["message"], "MQTT 客户端已断开。");
  session_.Start("throw.test", 1883);
  ASSERT_TRUE(session_.WaitForState("error"));
  session_.Start("127.0.0.1", peer_->broker().plain);
  EXPECT_TRUE(session_.WaitForState("connected", std::chrono::seconds(3))) << session_.snapshot();
}

TEST_F(MqttSessionTimingTest, AnIpv6AddressThatRefusesGivesWayToIpv4AtOnce) {
  const auto start = Clock::now();
  session_.Start("dual.test", peer_->broker().plain);
  ASSERT_TRUE(session_.WaitForState("connected", std::chrono::seconds(8))) << session_.snapshot();
  EXPECT_LT(MillisecondsSince(start), 5000);  // not the 10-second connect budget
}

TEST_F(MqttSessionTimingTest, AQos1FloodIsDeliveredAndEachPublishAcknowledgedInOrder) {
  const int port = peer_->Number("script flood");
  session_.Start("127.0.0.1", port);
  ASSERT_TRUE(session_.WaitUntil([&] { return session_.snapshot()["rxMessages"] == 5000; })) << session_.snapshot();
  EXPECT_EQ(session_.snapshot()["rxBytes"], 5000 * 16);
  EXPECT_EQ(IdsOnceTaken(port, 4, 5000), Counting(5000));
  EXPECT_EQ(session_.State(), "connected");
}

TEST_F(MqttSessionTimingTest, AcceptedPublishesWaitWhile128AwaitAcknowledgement) {
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
  EXPECT_EQ(IdsOnceTaken(port, 3, 256), Counting(256));
  EXPECT_EQ(session_.State(), "connected");
  EXPECT_TRUE(session_.EventsOf("error").empty());
}

}  // namespace
}  // namespace nubo
