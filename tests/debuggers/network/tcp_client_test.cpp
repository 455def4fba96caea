// TCP client sessions against Python peers on loopback.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "debuggers/network/network_service.h"
#include "tests/debuggers/common/support/fake_resolver.h"
#include "tests/debuggers/network/support/python_peer.h"
#include "tests/debuggers/network/support/route_session.h"

namespace nubo {
namespace {

using testing::Json;
using Clock = std::chrono::steady_clock;

class TcpClientTest : public ::testing::Test {
 protected:
  // A listener of the peer in the given mode; its port.
  int Listen(const std::string& mode) {
    const std::vector<std::string> words = peer_.Words("listen 8 " + mode);
    listener_ = words.at(0);
    return std::stoi(words.at(1));
  }
  // The peer's side of the connection it accepted.
  std::string AcceptedConnection() { return peer_.Words("accepted " + listener_ + " 1 3000").at(0); }

  Json Connect(int port) { return session_.Start(testing::SessionMembers("tcp-client", "", 0, "127.0.0.1", port)); }

  testing::PythonPeer peer_;
  NetworkService service_{testing::FakeResolver()};  // system names, and "dual.test"
  testing::RouteSession session_{service_};
  std::string listener_;
};

TEST_F(TcpClientTest, EchoCarriesExactBytesWithPeerLabels) {
  const int port = Listen("echo");
  ASSERT_EQ(Connect(port)["type"], "network.start.result");
  ASSERT_TRUE(session_.WaitForState("connected")) << session_.snapshot();
  const Json* established = session_.FindMessage("TCP 连接已建立。");
  ASSERT_NE(established, nullptr);
  const std::string label = "127.0.0.1:" + std::to_string(port);
  EXPECT_EQ((*established)["peerLabel"], label);
  const std::string peerId = (*established)["peerId"];
  EXPECT_FALSE(peerId.empty());
  EXPECT_EQ(session_.Messages().back(), "TCP 客户端已连接。");
  EXPECT_EQ(session_.snapshot()["peers"], (Json::array({{{"id", peerId}, {"address", "127.0.0.1"}, {"port", port}}})));
  EXPECT_NE(session_.snapshot()["localPort"], 0);

  ASSERT_EQ(session_.Send("0x41 42-43:44_45")["type"], "network.send.result");
  ASSERT_TRUE(session_.WaitForReceived(5));
  EXPECT_EQ(session_.ReceivedHex(), "4142434445");
  for (const Json& event : session_.events()) {
    if (event["kind"] != "sent" && event["kind"] != "received") continue;
    EXPECT_EQ(event["peerId"], peerId);
    EXPECT_EQ(event["peerLabel"], label);
    EXPECT_EQ(event["message"], "");
    if (event["kind"] == "sent") {
      EXPECT_EQ(event["dataHex"], "4142434445");
      EXPECT_EQ(event["byteLength"], 5);
    }
  }
  session_.Poll();
  EXPECT_EQ(session_.snapshot()["txBytes"], 5);
  EXPECT_EQ(session_.snapshot()["txPackets"], 1);
  EXPECT_EQ(session_.snapshot()["rxBytes"], 5);
}

TEST_F(TcpClientTest, RefusedConnectIsSeenAtOnce) {
  const int port = peer_.Number("closedport");
  for (const char* host : {"127.0.0.1", "dual.test"}) {  // one address; ::1 and 127.0.0.1, both refusing
    ASSERT_EQ(session_.Start(testing::SessionMembers("tcp-client", "", 0, host, port))["type"],
              "network.start.result");
    // Long before the 10-second connect time-out.
    ASSERT_TRUE(session_.WaitForState("error", testing::kPromptBoundMs)) << host << session_.snapshot();
    // The refusal arrives in the exception set of the readiness wait.
    EXPECT_EQ(session_.snapshot()["lastError"], "网络连接失败（Winsock 10061）。") << host;
    EXPECT_EQ(session_.events().back()["kind"], "error");
    EXPECT_EQ(session_.Send("01")["payload"]["message"], "网络会话尚未启动。");
  }
}

TEST_F(TcpClientTest, ConnectThatStaysPendingTimesOutAfterTenSeconds) {
  const int port = Listen("full");  // backlog full, never accepts
  const auto start = Clock::now();
  ASSERT_EQ(Connect(port)["type"], "network.start.result");
  ASSERT_TRUE(session_.WaitForState("connecting"));
  ASSERT_TRUE(session_.WaitForState("error", 10000 + testing::kPromptBoundMs)) << session_.snapshot();
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(10000));
  EXPECT_EQ(session_.snapshot()["lastError"], "连接目标超时（10 秒）。");
}

TEST_F(TcpClientTest, TargetClosingEndsTheSession) {
  const int port = Listen("sink");
  ASSERT_EQ(Connect(port)["type"], "network.start.result");
  ASSERT_TRUE(session_.WaitForState("connected"));
  peer_.Call("close " + AcceptedConnection());
  ASSERT_TRUE(session_.WaitForState("error")) << session_.snapshot();
  const std::vector<std::string> messages = session_.Messages();
  ASSERT_GE(messages.size(), 2u);
  EXPECT_EQ(messages[messages.size() - 2], "TCP 目标已关闭连接。");
  EXPECT_EQ(session_.events()[messages.size() - 2]["kind"], "system");
  EXPECT_EQ(session_.events()[messages.size() - 2]["peerLabel"], "127.0.0.1:" + std::to_string(port));
  EXPECT_EQ(session_.events().back()["kind"], "error");
  EXPECT_EQ(session_.snapshot()["lastError"], "TCP 目标已关闭连接。");

  // Stop after a failure: stopped, no error text, counters and events kept.
  const Json stopped = session_.Stop();
  EXPECT_EQ(stopped["payload"]["snapshot"]["state"], "stopped");
  EXPECT_EQ(stopped["payload"]["snapshot"]["lastError"], "");
  EXPECT_EQ(stopped["payload"]["snapshot"]["remotePort"], port);
  session_.Poll();
  EXPECT_EQ(session_.Messages().back(), "网络会话已停止。");
}

TEST_F(TcpClientTest, UrgentDataArrivesInline) {
  const int port = Listen("sink");
  ASSERT_EQ(Connect(port)["type"], "network.start.result");
  ASSERT_TRUE(session_.WaitForState("connected"));
  const std::string connection = AcceptedConnection();
  peer_.Call("send " + connection + " 6162");
  peer_.Call("oob " + connection + " 21");
  peer_.Call("send " + connection + " 6364");
  ASSERT_TRUE(session_.WaitForReceived(5)) << session_.ReceivedHex();
  EXPECT_EQ(session_.ReceivedHex(), "6162216364");
  EXPECT_EQ(session_.State(), "connected");
}

TEST_F(TcpClientTest, WholeBufferIsOneSentEvent) {
  const int port = Listen("sink");
  ASSERT_EQ(Connect(port)["type"], "network.start.result");
  ASSERT_TRUE(session_.WaitForState("connected"));
  const std::string connection = AcceptedConnection();
  const std::string hex = testing::CountingHex(65536);
  ASSERT_EQ(session_.Send(hex)["type"], "network.send.result");
  ASSERT_TRUE(session_.PollUntil([&] { return session_.snapshot()["txPackets"] == 1; }));
  EXPECT_EQ(session_.snapshot()["txBytes"], 65536);
  const Json* sent = nullptr;
  for (const Json& event : session_.events()) sent = event["kind"] == "sent" ? &event : sent;
  ASSERT_NE(sent, nullptr);
  EXPECT_EQ((*sent)["byteLength"], 65536);
  EXPECT_EQ((*sent)["dataHex"], hex);
  for (int i = 0; i < 100 && peer_.Call("total " + connection) != "65536"; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_EQ(peer_.Call("total " + connection), "65536");
}

TEST_F(TcpClientTest, RestartStopsTheFirstSessionAndPeerIdsKeepIncreasing) {
  const int port = Listen("sink");
  ASSERT_EQ(Connect(port)["type"], "network.start.result");
  ASSERT_TRUE(session_.WaitForState("connected"));
  const uint64_t firstId = std::stoull(session_.snapshot()["peers"][0]["id"].get<std::string>());
  session_.ForgetEvents();
  ASSERT_EQ(Connect(port)["type"], "network.start.result");
  ASSERT_TRUE(session_.WaitForState("connected"));
  EXPECT_EQ(session_.events().front()["id"], 1);
  EXPECT_EQ(session_.events().front()["message"], "正在启动网络会话。");
  EXPECT_EQ(session_.snapshot()["peers"][0]["id"], std::to_string(firstId + 1));
}

class TcpClientResolutionTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::ResetFakeResolver(); }
  void TearDown() override { testing::CompletePendingLookups(WSAECANCELLED); }

  testing::PythonPeer peer_;
  NetworkService service_{testing::FakeResolver()};
  testing::RouteSession session_{service_};
};

TEST_F(TcpClientResolutionTest, SendQueuedWhileResolvingIsDeliveredOnceConnected) {
  const std::vector<std::string> listener = peer_.Words("listen 8 echo");
  ASSERT_EQ(session_.Start(testing::SessionMembers("tcp-client", "", 0, "held.test", std::stoi(listener[1])))["type"],
            "network.start.result");
  ASSERT_TRUE(session_.PollUntil([] { return testing::PendingLookups() == 1; }));
  EXPECT_EQ(session_.State(), "starting");
  ASSERT_EQ(session_.Send("01020304")["type"], "network.send.result");
  testing::CompletePendingLookups(0);
  ASSERT_TRUE(session_.WaitForReceived(4)) << session_.snapshot();
  EXPECT_EQ(session_.ReceivedHex(), "01020304");
  EXPECT_EQ(session_.FindMessage("TCP 客户端当前未连接。"), nullptr);
}

TEST_F(TcpClientResolutionTest, ANameGivingIpv6FirstReachesAServerOnIpv4Only) {
  // Nothing listens on ::1: its refused connect moves on to 127.0.0.1.
  const std::vector<std::string> listener = peer_.Words("listen 8 echo");
  ASSERT_EQ(session_.Start(testing::SessionMembers("tcp-client", "", 0, "dual.test", std::stoi(listener[1])))["type"],
            "network.start.result");
  ASSERT_TRUE(session_.WaitForState("connected")) << session_.snapshot();
  EXPECT_EQ(session_.snapshot()["peers"][0]["address"], "127.0.0.1");
  EXPECT_LE(session_.CountMessage("正在连接 TCP 目标。"), 1u);
}

TEST_F(TcpClientResolutionTest, StopDuringResolutionReturnsPromptly) {
  ASSERT_EQ(session_.Start(testing::SessionMembers("tcp-client", "", 0, "silent.test", 9))["type"],
            "network.start.result");
  ASSERT_TRUE(session_.PollUntil([] { return testing::PendingLookups() == 1; }));
  const auto start = Clock::now();
  EXPECT_EQ(session_.Stop()["payload"]["snapshot"]["state"], "stopped");
  EXPECT_LT(Clock::now() - start, testing::kPromptBound);
  session_.Poll();
  EXPECT_EQ(session_.Messages(), (std::vector<std::string>{"正在启动网络会话。", "网络会话已停止。"}));
}

TEST_F(TcpClientResolutionTest, StopTwiceAndDestructionMidSessionArePrompt) {
  {
    NetworkService idle;
    idle.Stop();
    idle.Stop();
    EXPECT_EQ(idle.GetSnapshot().state, NetworkState::kStopped);
  }
  const std::string fullPort = peer_.Words("listen 0 full").at(1);
  for (const char* host : {"silent.test", "127.0.0.1"}) {  // resolving; connecting for good
    auto service = std::make_unique<NetworkService>(testing::FakeResolver());
    testing::RouteSession session(*service);
    ASSERT_EQ(session.Start(testing::SessionMembers("tcp-client", "", 0, host, std::stoi(fullPort)))["type"],
              "network.start.result");
    ASSERT_TRUE(session.WaitForState(std::string(host) == "silent.test" ? "starting" : "connecting"));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const auto start = Clock::now();
    service.reset();
    EXPECT_LT(Clock::now() - start, testing::kPromptBound) << host;
  }
}

TEST_F(TcpClientResolutionTest, FailedResolutionIsTheSessionError) {
  ASSERT_EQ(session_.Start(testing::SessionMembers("tcp-client", "", 0, "held.test", 9))["type"],
            "network.start.result");
  ASSERT_TRUE(session_.PollUntil([] { return testing::PendingLookups() == 1; }));
  testing::CompletePendingLookups(11001);
  ASSERT_TRUE(session_.WaitForState("error"));
  EXPECT_EQ(session_.snapshot()["lastError"], "解析目标地址失败（Winsock 11001）。");
}

}  // namespace
}  // namespace nubo
