// A peer that sends faster than the session logs: stops and sends stay
// prompt, the event log stays bounded and polls stay capped.

#include <gtest/gtest.h>

#include <chrono>
#include <ostream>
#include <string>
#include <thread>

#include "debuggers/network/network_service.h"
#include "tests/debuggers/network/support/python_peer.h"
#include "tests/debuggers/network/support/route_session.h"
#include "tests/support/case_name.h"

namespace nubo {
namespace {

using testing::Json;
using Clock = std::chrono::steady_clock;

constexpr char kNotice[] = "接收事件过多，较早的显示记录已丢弃。";

// Starts a session in the given mode and a flood towards it.
void StartFlooded(testing::PythonPeer& peer, testing::RouteSession& session, const std::string& mode) {
  if (mode == "tcp-client") {
    const std::string port = peer.Words("listen 8 flood").at(1);
    ASSERT_EQ(session.Start(testing::SessionMembers(mode, "", 0, "127.0.0.1", std::stoi(port)))["type"],
              "network.start.result");
    ASSERT_TRUE(session.WaitForState("connected"));
    return;
  }
  const std::string target = mode == "udp" ? peer.Words("udp 127.0.0.1").at(1) : "0";
  ASSERT_EQ(session.Start(testing::SessionMembers(mode, "", 0, mode == "udp" ? "127.0.0.1" : "", std::stoi(target)))["type"],
            "network.start.result");
  ASSERT_TRUE(session.WaitForState(mode == "udp" ? "ready" : "listening"));
  const std::string port = std::to_string(session.snapshot()["localPort"].get<int>());
  peer.Call(mode == "udp" ? "flood udp " + port + " 512" : "flood tcp " + port);
}

uint64_t RxBytes(NetworkService& service) { return service.GetSnapshot().rxBytes; }

// Waits until the flood has filled the event log many times over: 4 MiB of
// full TCP reads, or 1 MiB of 512-byte datagrams (2048 events).
bool WaitForFlood(NetworkService& service, const std::string& mode) {
  const uint64_t bytes = mode == "udp" ? 1 << 20 : 4 << 20;
  const auto deadline = Clock::now() + std::chrono::seconds(20);
  while (RxBytes(service) < bytes) {
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

struct FloodCase {
  std::string name;
  std::string mode;
};

std::ostream& operator<<(std::ostream& out, const FloodCase& value) { return out << value.name; }

class FloodTest : public ::testing::TestWithParam<FloodCase> {
 protected:
  testing::PythonPeer peer_;
  NetworkService service_;
  testing::RouteSession session_{service_};
};

TEST_P(FloodTest, StopReturnsWithin200Milliseconds) {
  StartFlooded(peer_, session_, GetParam().mode);
  ASSERT_TRUE(WaitForFlood(service_, GetParam().mode)) << RxBytes(service_);
  const auto start = Clock::now();
  const Json reply = session_.Stop();
  const auto took = Clock::now() - start;
  EXPECT_EQ(reply["payload"]["snapshot"]["state"], "stopped");
  EXPECT_LT(took, std::chrono::milliseconds(200))
      << std::chrono::duration_cast<std::chrono::milliseconds>(took).count() << " ms";
}

TEST_P(FloodTest, QueuedSendLeavesWhileTheFloodGoesOn) {
  StartFlooded(peer_, session_, GetParam().mode);
  ASSERT_TRUE(WaitForFlood(service_, GetParam().mode)) << RxBytes(service_);
  const auto start = Clock::now();
  ASSERT_EQ(session_.Send("abcd")["type"], "network.send.result");
  while (service_.GetSnapshot().txPackets == 0 && Clock::now() - start < std::chrono::seconds(2)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  const auto took = Clock::now() - start;
  EXPECT_EQ(service_.GetSnapshot().txPackets, 1u);
  // A pass waits at most 20 ms and reads at most 4 MiB per socket; the rest
  // is the scheduling of a loaded machine. Unbounded reads never get there.
  EXPECT_LT(took, std::chrono::milliseconds(200))
      << std::chrono::duration_cast<std::chrono::milliseconds>(took).count() << " ms";
}

TEST_P(FloodTest, PollsAreCappedByCountAndCost) {
  StartFlooded(peer_, session_, GetParam().mode);
  ASSERT_TRUE(WaitForFlood(service_, GetParam().mode)) << RxBytes(service_);
  const Json events = session_.Poll()["payload"]["events"];
  ASSERT_GE(events.size(), 2u);
  EXPECT_LE(events.size(), 256u);
  uint64_t cost = 0;
  for (const Json& event : events) {
    cost += 160 + event["kind"].get<std::string>().size() + event["peerLabel"].get<std::string>().size() +
            event["dataHex"].get<std::string>().size() + event["message"].get<std::string>().size();
  }
  EXPECT_LE(cost, 0x100000u);
  if (GetParam().mode == "udp") {
    EXPECT_EQ(events.size(), 256u);  // 512-byte datagrams: the count binds first
  } else {
    EXPECT_GT(cost + 32768 + 200, 0x100000u);  // full reads: the cost binds first
  }
}

INSTANTIATE_TEST_SUITE_P(Flood, FloodTest,
                         ::testing::Values(FloodCase{"TcpClient", "tcp-client"}, FloodCase{"TcpServer", "tcp-server"},
                                           FloodCase{"Udp", "udp"}),
                         testing::CaseName());

// Drains the log; the events taken.
std::vector<Json> Drain(testing::RouteSession& session) {
  std::vector<Json> taken;
  for (;;) {
    const Json events = session.Poll()["payload"]["events"];
    if (events.empty()) return taken;
    taken.insert(taken.end(), events.begin(), events.end());
  }
}

TEST(FloodOverflowTest, OneNoticePerRunOfOverflow) {
  testing::PythonPeer peer;
  NetworkService service;
  testing::RouteSession session(service);
  StartFlooded(peer, session, "udp");
  for (int run = 0; run < 2; ++run) {
    if (run == 1) peer.Call("flood udp " + std::to_string(session.snapshot()["localPort"].get<int>()) + " 512");
    const uint64_t lastSeenId = session.events().back()["id"];
    const uint64_t before = service.GetSnapshot().rxPackets;
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (service.GetSnapshot().rxPackets < before + 3000 && Clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_GE(service.GetSnapshot().rxPackets, before + 3000) << run;
    peer.Call("stopflood");
    // What is still in flight arrives before the log is drained.
    for (uint64_t last = ~0ull; last != service.GetSnapshot().rxPackets;) {
      last = service.GetSnapshot().rxPackets;
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    const std::vector<Json> events = Drain(session);
    ASSERT_GE(events.size(), 2u) << run;
    EXPECT_LE(events.size(), 1024u) << run;
    EXPECT_GT(events.front()["id"].get<uint64_t>(), lastSeenId + 1) << "the oldest events were dropped";
    size_t notices = 0;
    for (size_t i = 0; i < events.size(); ++i) {
      notices += events[i]["message"] == kNotice ? 1 : 0;
      if (i > 0) {
        EXPECT_EQ(events[i]["id"].get<uint64_t>(), events[i - 1]["id"].get<uint64_t>() + 1);
      }
    }
    EXPECT_EQ(notices, 1u) << run;
  }
}

// Reads are bounded per pass over all sockets, not per socket: with every
// peer of a full server flooding, the pass under way when the stop comes is
// short, and at most one more starts before the stop is seen.
TEST(ManyPeersFloodTest, StopReturnsWithin200MillisecondsWhile32PeersFlood) {
  testing::PythonPeer peer;
  NetworkService service;
  testing::RouteSession session(service);
  ASSERT_EQ(session.Start(testing::SessionMembers("tcp-server", "", 0, "", 0))["type"], "network.start.result");
  ASSERT_TRUE(session.WaitForState("listening"));
  peer.Call("floodprocs " + std::to_string(session.snapshot()["localPort"].get<int>()) + " 32");
  const auto deadline = Clock::now() + std::chrono::seconds(20);
  while ((service.GetSnapshot().peers.size() < 32 || RxBytes(service) < (64u << 20)) && Clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_EQ(service.GetSnapshot().peers.size(), 32u) << RxBytes(service);
  const uint64_t before = RxBytes(service);
  const auto start = Clock::now();
  EXPECT_EQ(session.Stop()["payload"]["snapshot"]["state"], "stopped");
  const auto took = Clock::now() - start;
  EXPECT_LT(took, std::chrono::milliseconds(200))
      << std::chrono::duration_cast<std::chrono::milliseconds>(took).count() << " ms";
  EXPECT_LE(RxBytes(service) - before, uint64_t{8} << 20);  // two passes of 4 MiB
}

}  // namespace
}  // namespace nubo
