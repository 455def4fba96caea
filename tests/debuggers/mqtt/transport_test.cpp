// The MQTT byte transport against real peers: TLS record boundaries and
// certificate refusals.

#include <gtest/gtest.h>

#include <chrono>
#include <regex>
#include <string>
#include <vector>

#include "store/hex_text.h"
#include "debuggers/mqtt/mqtt_transport.h"
#include "tests/debuggers/mqtt/support/mqtt_peer_test.h"

namespace nubo {
namespace {

using Clock = std::chrono::steady_clock;
using testing::MillisecondsSince;

class MqttTransportTest : public testing::MqttPeerTest {
 protected:
  static void SetUpTestSuite() {
    winsock_ = new WinsockSession(StartWinsock(nullptr));
    MqttPeerTest::SetUpTestSuite();
  }
  static void TearDownTestSuite() {
    MqttPeerTest::TearDownTestSuite();
    delete winsock_;
    winsock_ = nullptr;
  }

  // Receives until `bytes` bytes arrived or the connection failed.
  int ReceiveAtLeast(MqttConnection& connection, size_t bytes, std::string& hex, std::string& text) {
    std::vector<uint8_t> got;
    std::vector<uint8_t> chunk;
    const auto start = Clock::now();
    while (got.size() < bytes && MillisecondsSince(start) < 10000) {
      const int result = connection.Receive(chunk, text, never_);
      if (result < 0) return result;
      got.insert(got.end(), chunk.begin(), chunk.end());
    }
    hex = ToLowerHex(got.data(), got.size());
    return 1;
  }

  static inline WinsockSession* winsock_ = nullptr;
  const MqttAbortTest never_ = [] { return false; };
};


TEST_F(MqttTransportTest, TlsRecordsArriveWhateverTheirBoundaries) {
  const std::string connackAndPublish = "20020000" "30060003742f7801";
  const struct {
    const char* mode;
    const char* expectedText;  // empty: the bytes arrive
  } cases[] = {{"coalesce", ""}, {"dribble", ""}, {"flip", "TLS 记录验证失败。"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    const int port = peer_->Number(std::string("tls ") + c.mode);
    MqttConnection connection(NetSystemResolver());
    std::string text;
    ASSERT_TRUE(connection.ConnectTcp("localhost", static_cast<uint16_t>(port), true, never_, text)) << text;
    const uint8_t connect[] = {0x10, 0x00};
    ASSERT_TRUE(connection.Send(connect, sizeof(connect), never_, text)) << text;
    std::string hex;
    const int result = ReceiveAtLeast(connection, connackAndPublish.size() / 2, hex, text);
    if (*c.expectedText == '\0') {
      EXPECT_EQ(result, 1) << text;
      EXPECT_EQ(hex, connackAndPublish);
    } else {
      EXPECT_EQ(result, -1);
      EXPECT_EQ(text, c.expectedText);
    }
  }
}

TEST_F(MqttTransportTest, OnlyATrustedCertificateNamingTheHostIsAccepted) {
  const testing::MqttPeer::Broker& broker = peer_->broker();
  const std::regex refusal("TLS 握手或系统证书验证失败（0x[0-9a-f]{8}）。");
  // The first status is this check's, the second the provider's own on Windows.
  const struct {
    int port;
    const char* statuses[2];  // empty: accepted
  } cases[] = {{broker.tls, {"", ""}},
               {broker.wrongName, {"800b010f", "80090322"}},
               {broker.untrusted, {"800b010a", "80090325"}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.statuses[0]);
    MqttConnection connection(NetSystemResolver());
    std::string text;
    const bool connected = connection.ConnectTcp("localhost", static_cast<uint16_t>(c.port), true, never_, text);
    if (*c.statuses[0] == '\0') {
      EXPECT_TRUE(connected) << text;
      continue;
    }
    EXPECT_FALSE(connected);
    EXPECT_TRUE(std::regex_match(text, refusal)) << text;
    EXPECT_TRUE(text.find(c.statuses[0]) != std::string::npos || text.find(c.statuses[1]) != std::string::npos)
        << text;
    EXPECT_FALSE(connection.IsOpen());
  }
}

TEST_F(MqttTransportTest, ARenegotiationRequestEndsTheSession) {
  // openssl's s_server takes one probe connection while it starts; ours is the next.
  const int port = peer_->Number("renegotiating");
  MqttConnection connection(NetSystemResolver());
  std::string text;
  ASSERT_TRUE(connection.ConnectTcp("localhost", static_cast<uint16_t>(port), true, never_, text)) << text;
  peer_->Call("renegotiate");
  std::string hex;
  EXPECT_EQ(ReceiveAtLeast(connection, 1, hex, text), -1);
  EXPECT_EQ(text, "Broker 请求了不受支持的 TLS 重新协商。");
}

}  // namespace
}  // namespace nubo
