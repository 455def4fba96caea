// UDP sessions, unicast and IPv4 multicast, with Python peers. Multicast
// groups are routed onto lo by the test namespace.

#include <gtest/gtest.h>

#include <string>

#include "debuggers/network/network_service.h"
#include "tests/debuggers/common/support/fake_resolver.h"
#include "tests/debuggers/network/support/python_peer.h"
#include "tests/debuggers/network/support/route_session.h"

namespace nubo {
namespace {

using testing::Json;

constexpr char kGroup[] = "239.77.1.2";

class UdpTest : public ::testing::Test {
 protected:
  // A peer UDP socket: its id and port.
  std::pair<std::string, int> PeerSocket(const std::string& host, const std::string& group = "-") {
    const std::vector<std::string> words = peer_.Words("udp " + host + " " + group);
    return {words.at(0), std::stoi(words.at(1))};
  }
  int SessionPort() const { return session_.snapshot()["localPort"]; }

  testing::PythonPeer peer_;
  NetworkService service_;
  testing::RouteSession session_{service_};
};

TEST_F(UdpTest, DatagramsBothWaysIncludingAnEmptyOne) {
  const auto [socket, port] = PeerSocket("127.0.0.1");
  ASSERT_EQ(session_.Start(testing::SessionMembers("udp", "", 0, "127.0.0.1", port))["type"], "network.start.result");
  ASSERT_TRUE(session_.WaitForState("ready"));
  EXPECT_EQ(session_.Messages(), (std::vector<std::string>{"正在启动网络会话。", "UDP 端点已打开。"}));
  EXPECT_EQ(session_.snapshot()["localHost"], "127.0.0.1");
  const std::string sessionEndpoint = "127.0.0.1:" + std::to_string(SessionPort());

  ASSERT_EQ(session_.Send("0102ff")["type"], "network.send.result");
  EXPECT_EQ(peer_.Call("recvfrom " + socket + " 1 3000"), "1 " + sessionEndpoint + ":0102ff");
  ASSERT_TRUE(session_.PollUntil([&] { return session_.snapshot()["txPackets"] == 1; }));
  const Json& sent = session_.events().back();
  EXPECT_EQ(sent["kind"], "sent");
  EXPECT_EQ(sent["peerLabel"], "127.0.0.1:" + std::to_string(port));
  EXPECT_EQ(sent["dataHex"], "0102ff");

  peer_.Call("sendto " + socket + " 127.0.0.1 " + std::to_string(SessionPort()) + " 414243");
  peer_.Call("sendto " + socket + " 127.0.0.1 " + std::to_string(SessionPort()) + " -");
  ASSERT_TRUE(session_.PollUntil([&] { return session_.snapshot()["rxPackets"] == 2; }));
  session_.Poll();
  std::vector<Json> received;
  for (const Json& event : session_.events()) {
    if (event["kind"] == "received") received.push_back(event);
  }
  ASSERT_EQ(received.size(), 2u);
  EXPECT_EQ(received[0]["dataHex"], "414243");
  EXPECT_EQ(received[0]["byteLength"], 3);
  EXPECT_EQ(received[1]["dataHex"], "");
  EXPECT_EQ(received[1]["byteLength"], 0);
  for (const Json& event : received) {
    EXPECT_EQ(event["peerLabel"], "127.0.0.1:" + std::to_string(port));
    EXPECT_EQ(event["peerId"], "");
  }
  EXPECT_EQ(session_.snapshot()["rxBytes"], 3);
}

TEST_F(UdpTest, LargestDatagramArrivesWhole) {
  const auto [socket, port] = PeerSocket("127.0.0.1");
  ASSERT_EQ(session_.Start(testing::SessionMembers("udp", "", 0, "127.0.0.1", port))["type"], "network.start.result");
  ASSERT_TRUE(session_.WaitForState("ready"));
  const std::string hex = testing::CountingHex(65507);
  ASSERT_EQ(session_.Send(hex)["type"], "network.send.result");
  EXPECT_EQ(peer_.Call("recvfrom " + socket + " 1 3000"),
            "1 127.0.0.1:" + std::to_string(SessionPort()) + ":" + hex);
}

TEST_F(UdpTest, DatagramsToAClosedPortDoNotEndTheSession) {
  const int closedPort = peer_.Number("closedudp");
  ASSERT_EQ(session_.Start(testing::SessionMembers("udp", "", 0, "127.0.0.1", closedPort))["type"],
            "network.start.result");
  ASSERT_TRUE(session_.WaitForState("ready"));
  for (int i = 0; i < 3; ++i) ASSERT_EQ(session_.Send(testing::CountingHex(1, i))["type"], "network.send.result");
  ASSERT_TRUE(session_.PollUntil([&] { return session_.snapshot()["txPackets"] == 3; }));
  const auto [socket, port] = PeerSocket("127.0.0.1");
  peer_.Call("sendto " + socket + " 127.0.0.1 " + std::to_string(SessionPort()) + " 99");
  ASSERT_TRUE(session_.WaitForReceived(1));
  EXPECT_EQ(session_.State(), "ready");
}

TEST_F(UdpTest, MulticastJoinSendReceiveAndStopEventsInOrder) {
  const auto [receiver, groupPort] = PeerSocket("0.0.0.0", kGroup);
  Json members = testing::SessionMembers("udp", "0.0.0.0", 0, kGroup, groupPort, true);
  members.update({{"multicastInterface", "127.0.0.1"}, {"multicastGroup", kGroup}, {"multicastTtl", 1}});
  ASSERT_EQ(session_.Start(members)["type"], "network.start.result");
  ASSERT_TRUE(session_.WaitForState("ready")) << session_.snapshot();
  EXPECT_EQ(session_.Messages(),
            (std::vector<std::string>{"正在启动网络会话。", "UDP 端点已打开。", "组播发送网卡：127.0.0.1，TTL 1。",
                                      "已加入组播接收组 239.77.1.2。尚未发送数据。"}));
  EXPECT_EQ(session_.snapshot()["multicastJoined"], true);
  EXPECT_EQ(session_.snapshot()["localHost"], "0.0.0.0");

  ASSERT_EQ(session_.Send("6d63")["type"], "network.send.result");
  const std::vector<std::string> got = testing::SplitWords(peer_.Call("recvfrom " + receiver + " 1 3000"));
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[1], "127.0.0.1:" + std::to_string(SessionPort()) + ":6d63");

  const auto [sender, senderPort] = PeerSocket("127.0.0.1");
  peer_.Call("sendto " + sender + " " + kGroup + " " + std::to_string(SessionPort()) + " 7878");
  ASSERT_TRUE(session_.WaitForReceived(2)) << session_.snapshot();
  EXPECT_EQ(session_.ReceivedHex(), "7878");
  EXPECT_EQ(session_.events().back()["peerLabel"], "127.0.0.1:" + std::to_string(senderPort));

  session_.ForgetEvents();
  const Json stopped = session_.Stop();
  EXPECT_EQ(stopped["payload"]["snapshot"]["multicastJoined"], false);
  session_.Poll();
  EXPECT_EQ(session_.Messages(), (std::vector<std::string>{"组播接收已停止，正在关闭端点。", "网络会话已停止。"}));
}

TEST_F(UdpTest, MulticastThroughTheSystemRoute) {
  const auto [receiver, groupPort] = PeerSocket("0.0.0.0", kGroup);
  Json members = testing::SessionMembers("udp", "127.0.0.1", 0, kGroup, groupPort, true);
  members["multicastTtl"] = 3;
  ASSERT_EQ(session_.Start(members)["type"], "network.start.result");
  ASSERT_TRUE(session_.WaitForState("ready")) << session_.snapshot();
  EXPECT_EQ(session_.Messages().back(), "组播发送网卡：系统路由，TTL 3。");
  EXPECT_EQ(session_.snapshot()["multicastJoined"], false);
  ASSERT_EQ(session_.Send("01")["type"], "network.send.result");
  EXPECT_EQ(testing::SplitWords(peer_.Call("recvfrom " + receiver + " 1 3000")).at(0), "1");
}

TEST(LocalAddressTest, OneOfAnotherIpVersionNamesItsCode) {
  const struct {
    const char* mode;
    std::string error;
  } cases[] = {{"udp", "绑定 UDP 端点失败（Winsock 10047）。"}, {"tcp-client", "连接目标失败（Winsock 10047）。"}};
  for (const auto& c : cases) {
    NetworkService service;
    testing::RouteSession session(service);
    ASSERT_EQ(session.Start(testing::SessionMembers(c.mode, "127.0.0.1", 0, "::1", 9))["type"], "network.start.result");
    ASSERT_TRUE(session.WaitForState("error")) << c.mode;
    EXPECT_EQ(session.snapshot()["lastError"], c.error) << c.mode;
  }
}

TEST(UdpResolvedGroupTest, NeedsTheLocalNetworkPermission) {
  NetworkService service(testing::FakeResolver());
  testing::RouteSession session(service);
  ASSERT_EQ(session.Start(testing::SessionMembers("udp", "127.0.0.1", 0, "group.test", 9))["type"],
            "network.start.result");
  ASSERT_TRUE(session.WaitForState("error"));
  EXPECT_EQ(session.snapshot()["lastError"], "组播目标解析成功，但尚未明确允许局域网访问。");
}

}  // namespace
}  // namespace nubo
