// A peer that sends faster than the session logs: stops and sends still get
// through (how fast is bench/network/run's figure), the event log stays
// bounded and polls stay capped.

#include <gtest/gtest.h>

#include <chrono>
#include <ostream>
#include <string>
#include <thread>

#include "debuggers/network/network_service.h"
#include "tests/debuggers/network/support/flood.h"
#include "tests/debuggers/network/support/python_peer.h"
#include "tests/debuggers/network/support/route_session.h"
#include "tests/support/case_name.h"

namespace nubo {
namespace {

using testing::Json;
using Clock = std::chrono::steady_clock;

constexpr char kNotice[] = "接收事件过多，较早的显示记录已丢弃。";

uint64_t RxBytes(NetworkService& service) { return service.GetSnapshot().rxBytes; }

struct FloodCase {
  std::string name;
  std::string mode;
};

std::ostream& operator<<(std::ostream& out, const FloodCase& value) { return out << value.name; }

// Each test starts with the session flooded.
class FloodTest : public ::testing::TestWithParam<FloodCase> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testing::StartFloodedSession(peer_, session_, GetParam().mode));
    ASSERT_TRUE(testing::WaitForFlood(service_, GetParam().mode)) << RxBytes(service_);
  }

  testing::PythonPeer peer_;
  NetworkService service_;
  testing::RouteSession session_{service_};
};

TEST_P(FloodTest, StopReturnsPromptly) {
  const auto start = Clock::now();
  const Json reply = session_.Stop();
  const auto took = Clock::now() - start;
  EXPECT_EQ(reply["payload"]["snapshot"]["state"], "stopped");
  EXPECT_LT(took, testing::kPromptBound)
      << std::chrono::duration_cast<std::chrono::milliseconds>(took).count() << " ms";
}

TEST_P(FloodTest, QueuedSendLeavesWhileTheFloodGoesOn) {
  const auto start = Clock::now();
  ASSERT_EQ(session_.Send("abcd")["type"], "network.send.result");
  // A pass waits at most 20 ms and reads at most 4 MiB over all sockets;
  // unbounded reads would never get to the send.
  while (service_.GetSnapshot().txPackets == 0 && Clock::now() - start < testing::kPromptBound) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_EQ(service_.GetSnapshot().txPackets, 1u);
}

TEST_P(FloodTest, PollsAreCappedByCountAndCost) {
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
  ASSERT_TRUE(testing::StartFloodedSession(peer, session, "udp"));
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
TEST(ManyPeersFloodTest, StopReturnsPromptlyWhile32PeersFlood) {
  testing::PythonPeer peer;
  NetworkService service;
  testing::RouteSession session(service);
  ASSERT_TRUE(testing::StartServerFloodedByMany(peer, session, service))
      << service.GetSnapshot().peers.size() << " peers, " << RxBytes(service) << " bytes";
  const uint64_t before = RxBytes(service);
  const auto start = Clock::now();
  EXPECT_EQ(session.Stop()["payload"]["snapshot"]["state"], "stopped");
  const auto took = Clock::now() - start;
  EXPECT_LT(took, testing::kPromptBound)
      << std::chrono::duration_cast<std::chrono::milliseconds>(took).count() << " ms";
  EXPECT_LE(RxBytes(service) - before, uint64_t{8} << 20);  // two passes of 4 MiB
}

}  // namespace
}  // namespace nubo
