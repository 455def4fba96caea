// TCP server sessions with Python clients on loopback.

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <string>
#include <thread>

#include "debuggers/network/network_service.h"
#include "tests/debuggers/network/support/python_peer.h"
#include "tests/debuggers/network/support/route_session.h"

namespace nubo {
namespace {

using testing::Json;

class TcpServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(session_.Start(testing::SessionMembers("tcp-server", "127.0.0.1", 0, "", 0))["type"],
              "network.start.result");
    ASSERT_TRUE(session_.WaitForState("listening"));
    port_ = session_.snapshot()["localPort"];
  }

  // Opens clients; their peer-side ids.
  std::vector<std::string> Connect(int count, const std::string& options = "") {
    return peer_.Words("connect " + std::to_string(port_) + " " + std::to_string(count) + options);
  }
  size_t Accepted() const { return session_.CountMessage("TCP 客户端已接入。"); }
  // The session's peer id of a client, found by the client's port.
  std::string SessionPeerId(const std::string& client) {
    const std::string label = "127.0.0.1:" + peer_.Call("sockname " + client);
    for (const Json& event : session_.events()) {
      if (event["message"] == "TCP 客户端已接入。" && event["peerLabel"] == label) return event["peerId"];
    }
    return "";
  }
  std::string Received(const std::string& client, size_t bytes) {
    return peer_.Call("recv " + client + " " + std::to_string(bytes) + " 3000");
  }

  testing::PythonPeer peer_;
  NetworkService service_;
  testing::RouteSession session_{service_};
  int port_ = 0;
};

TEST_F(TcpServerTest, PortZeroIsReportedAndAPeerComesAndGoes) {
  EXPECT_NE(port_, 0);
  const std::string client = Connect(1).at(0);
  ASSERT_TRUE(session_.PollUntil([&] { return Accepted() == 1; }));
  const std::string id = SessionPeerId(client);
  ASSERT_FALSE(id.empty());
  const std::string clientPort = peer_.Call("sockname " + client);
  EXPECT_EQ(session_.snapshot()["peers"],
            (Json::array({{{"id", id}, {"address", "127.0.0.1"}, {"port", std::stoi(clientPort)}}})));

  peer_.Call("send " + client + " aabb");
  ASSERT_TRUE(session_.WaitForReceived(2, std::stoull(id)));
  EXPECT_EQ(session_.ReceivedHex(), "aabb");
  ASSERT_EQ(session_.Send("cc", id)["type"], "network.send.result");
  EXPECT_EQ(Received(client, 1), "open cc");

  peer_.Call("close " + client);
  ASSERT_TRUE(session_.WaitForMessage("TCP 客户端已关闭连接。"));
  const Json* closed = session_.FindMessage("TCP 客户端已关闭连接。");
  EXPECT_EQ((*closed)["peerId"], id);
  EXPECT_EQ((*closed)["peerLabel"], "127.0.0.1:" + clientPort);
  EXPECT_EQ(session_.snapshot()["peers"], Json::array());
  EXPECT_EQ(session_.State(), "listening");

  ASSERT_EQ(session_.Send("dd", "5")["type"], "network.send.result");
  ASSERT_TRUE(session_.WaitForMessage("TCP 服务端当前没有可发送的连接。"));
  EXPECT_EQ((*session_.FindMessage("TCP 服务端当前没有可发送的连接。"))["peerId"], "5");
}

TEST_F(TcpServerTest, ThirtyTwoPeersThenTheThirtyThirdWhenOneLeaves) {
  const std::vector<std::string> clients = Connect(33);
  ASSERT_EQ(clients.size(), 33u);
  ASSERT_TRUE(session_.PollUntil([&] { return Accepted() == 32; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  session_.Poll();
  EXPECT_EQ(Accepted(), 32u);
  EXPECT_EQ(session_.snapshot()["peers"].size(), 32u);
  EXPECT_EQ(SessionPeerId(clients[32]), "");  // still waiting in the listen backlog

  // A targeted send reaches its peer only; a broadcast reaches every peer.
  const std::string target = SessionPeerId(clients[5]);
  ASSERT_EQ(session_.Send("c0ffee", target)["type"], "network.send.result");
  ASSERT_EQ(session_.Send("be")["type"], "network.send.result");
  for (int i = 0; i < 32; ++i) {
    EXPECT_EQ(Received(clients[i], i == 5 ? 4 : 1), i == 5 ? "open c0ffeebe" : "open be") << i;
  }
  ASSERT_TRUE(session_.PollUntil([&] { return session_.snapshot()["txPackets"] == 33; }));
  EXPECT_EQ(session_.snapshot()["txBytes"], 3 + 32);

  peer_.Call("close " + clients[0]);
  ASSERT_TRUE(session_.PollUntil([&] { return Accepted() == 33; }));
  EXPECT_EQ(session_.CountMessage("TCP 客户端已关闭连接。"), 1u);
  EXPECT_EQ(session_.snapshot()["peers"].size(), 32u);
  EXPECT_NE(SessionPeerId(clients[32]), "");
  peer_.Call("send " + clients[32] + " 33");
  ASSERT_TRUE(session_.WaitForReceived(1, std::stoull(SessionPeerId(clients[32]))));
}

TEST_F(TcpServerTest, BroadcastBeyondTheFourMebibytePendingLimitIsDropped) {
  constexpr uint64_t kLimit = 0x400000;
  constexpr int kFiller = 60000;
  // Clients that do not read, with small receive buffers: once the system's
  // buffers are full, the bytes accepted and not yet sent stay pending, and
  // the test knows how many: 32 copies of every broadcast minus txBytes.
  const std::vector<std::string> clients = Connect(32, " 4096 1");
  ASSERT_TRUE(session_.PollUntil([&] { return Accepted() == 32; }));
  const std::string filler = testing::CountingHex(kFiller);
  int fillers = 0;
  const auto pending = [&] { return 32ull * kFiller * fillers - service_.GetSnapshot().txBytes; };
  const auto settle = [&] {
    for (uint64_t last = ~0ull; last != service_.GetSnapshot().txBytes;) {
      last = service_.GetSnapshot().txBytes;
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    while (!session_.Poll()["payload"]["events"].empty()) {
    }
  };
  // Broadcasts are accepted while at most 2 MiB are pending; stop once more are.
  while (pending() <= 2 * 1024 * 1024 && fillers < 300) {
    ASSERT_EQ(session_.Send(filler)["type"], "network.send.result") << fillers;
    ++fillers;
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
    if (pending() > 2 * 1024 * 1024) settle();
  }
  ASSERT_GT(pending(), 2u * 1024 * 1024);
  ASSERT_LE(pending() + 65536, kLimit);
  EXPECT_EQ(session_.CountMessage("广播会超过 4 MiB 待发送上限。"), 0u);

  // 64 KiB more fit the limit once, but not 32 times.
  ASSERT_EQ(session_.Send(testing::CountingHex(65536))["type"], "network.send.result");
  ASSERT_TRUE(session_.WaitForMessage("广播会超过 4 MiB 待发送上限。"));
  EXPECT_EQ(session_.State(), "listening");
  EXPECT_EQ(session_.snapshot()["peers"].size(), 32u);

  // Peers get each filler whole and nothing of the refused broadcast (a few
  // of them are read to the end; reading all 32 through their small windows
  // only takes longer).
  const std::vector<std::string> sample = {clients[0], clients[13], clients[31]};
  peer_.Call("resume " + sample[0] + " " + sample[1] + " " + sample[2]);
  const std::string expected = std::to_string(fillers * kFiller);
  for (const std::string& client : sample) {
    for (int i = 0; i < 500 && peer_.Call("total " + client) != expected; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(peer_.Call("total " + client), expected) << client;
  }
}

TEST_F(TcpServerTest, SendsToADepartedPeerAreDroppedAndFreed) {
  const std::vector<std::string> clients = Connect(2);  // one stays, so sends have somewhere to go
  ASSERT_TRUE(session_.PollUntil([&] { return Accepted() == 2; }));
  const std::string id = SessionPeerId(clients[0]);
  peer_.Call("close " + clients[0]);
  ASSERT_TRUE(session_.WaitForMessage("TCP 客户端已关闭连接。"));
  // Far more than 4 MiB in all: each refused send gives its bytes back.
  const std::string chunk = testing::CountingHex(65536);
  for (size_t i = 1; i <= 70; ++i) {
    ASSERT_EQ(session_.Send(chunk, id)["type"], "network.send.result") << i;
    ASSERT_TRUE(session_.PollUntil([&] { return session_.CountMessage("目标 TCP 连接已经断开。") == i; })) << i;
  }
  const Json* dropped = session_.FindMessage("目标 TCP 连接已经断开。");
  EXPECT_EQ((*dropped)["peerId"], id);
  EXPECT_EQ((*dropped)["kind"], "error");
  EXPECT_EQ((*dropped)["peerLabel"], "");
}

TEST_F(TcpServerTest, UrgentDataFromAPeerKeepsItConnected) {
  const std::string client = Connect(1).at(0);
  ASSERT_TRUE(session_.PollUntil([&] { return Accepted() == 1; }));
  peer_.Call("send " + client + " 61");
  peer_.Call("oob " + client + " 21");
  ASSERT_TRUE(session_.WaitForReceived(2)) << session_.ReceivedHex();
  EXPECT_EQ(session_.ReceivedHex(), "6121");
  EXPECT_EQ(session_.FindMessage("TCP 连接发生套接字错误。"), nullptr);
  EXPECT_EQ(session_.snapshot()["peers"].size(), 1u);
}

}  // namespace
}  // namespace nubo
