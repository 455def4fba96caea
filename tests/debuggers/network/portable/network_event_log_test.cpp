#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "debuggers/network/network_event_log.h"

namespace nubo {
namespace {

constexpr char kNotice[] = "接收事件过多，较早的显示记录已丢弃。";
constexpr int64_t kNow = 1700000000000;

NetworkEvent Text(std::string message) {
  NetworkEvent event;
  event.kind = "system";
  event.message = std::move(message);
  return event;
}

void AppendData(NetworkEventLog& log, size_t bytes) {
  NetworkEvent event;
  event.kind = "received";
  event.peerLabel = "127.0.0.1:9";
  log.Append(event, std::vector<uint8_t>(bytes, 0xAB), kNow);
}

std::vector<NetworkEvent> TakeAll(NetworkEventLog& log) {
  std::vector<NetworkEvent> events;
  for (LoggedNetworkEvent& logged : log.Take(100000, ~0ull)) events.push_back(FinishNetworkEvent(std::move(logged)));
  return events;
}

TEST(NetworkEventLog, CostCountsTextsAndHexDigits) {
  NetworkEvent event = Text("abc");
  event.peerLabel = "h:1";
  EXPECT_EQ(NetworkEventLog::CostOf(event, 10), 160u + 6 + 3 + 20 + 3);
}

TEST(NetworkEventLog, IdsTimestampsAndHexOnTake) {
  NetworkEventLog log;
  log.Append(Text("one"), {}, kNow);
  NetworkEvent stamped = Text("two");
  stamped.timestamp = 5;
  log.Append(stamped, {}, kNow);
  AppendData(log, 3);
  const std::vector<NetworkEvent> events = TakeAll(log);
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].id, 1u);
  EXPECT_EQ(events[0].timestamp, kNow);
  EXPECT_EQ(events[1].timestamp, 5);
  EXPECT_EQ(events[2].id, 3u);
  EXPECT_EQ(events[2].dataHex, "ababab");
  EXPECT_EQ(events[2].byteLength, 3u);
  EXPECT_EQ(log.Size(), 0u);
  EXPECT_EQ(log.TotalCost(), 0u);
  log.Clear();
  log.Append(Text("again"), {}, kNow);
  EXPECT_EQ(TakeAll(log).front().id, 1u);
}

TEST(NetworkEventLog, OneNoticePerRunOfOverflow) {
  NetworkEventLog log;
  for (int i = 0; i < 1024; ++i) log.Append(Text("e"), {}, kNow);
  log.Append(Text("e"), {}, kNow);  // 1025: drops 1 and 2, notice 1025, event 1026
  EXPECT_EQ(log.Size(), 1024u);
  log.Append(Text("e"), {}, kNow);  // no second notice while the first is queued
  std::vector<NetworkEvent> events = TakeAll(log);
  ASSERT_EQ(events.size(), 1024u);
  EXPECT_EQ(events.front().id, 4u);
  size_t notices = 0;
  for (const NetworkEvent& event : events) {
    if (event.message != kNotice) continue;
    ++notices;
    EXPECT_EQ(event.id, 1025u);
    EXPECT_EQ(event.kind, "system");
    EXPECT_EQ(event.timestamp, kNow);
  }
  EXPECT_EQ(notices, 1u);
  EXPECT_EQ(events.back().id, 1027u);
}

TEST(NetworkEventLog, ANewNoticeOnlyAfterTheLastOneLeft) {
  NetworkEventLog log;
  for (int i = 0; i < 1025; ++i) log.Append(Text("e"), {}, kNow);  // notice 1025, event 1026
  for (int i = 0; i < 1022; ++i) log.Append(Text("e"), {}, kNow);  // the notice becomes the oldest
  log.Append(Text("e"), {}, kNow);  // drops the notice and logs a new one, 2049
  const std::vector<NetworkEvent> events = TakeAll(log);
  std::vector<uint64_t> noticeIds;
  for (const NetworkEvent& event : events) {
    if (event.message == kNotice) noticeIds.push_back(event.id);
  }
  EXPECT_EQ(noticeIds, std::vector<uint64_t>{2049});
  EXPECT_EQ(events.back().id, 2050u);

  // A poll that takes the notice ends the run: the next overflow notices again.
  for (int i = 0; i < 1025; ++i) log.Append(Text("e"), {}, kNow);
  size_t again = 0;
  for (const NetworkEvent& event : TakeAll(log)) again += event.message == kNotice ? 1 : 0;
  EXPECT_EQ(again, 1u);
}

TEST(NetworkEventLog, TotalCostStaysWithinEightMebibytes) {
  NetworkEventLog log;
  for (int i = 0; i < 100; ++i) {
    AppendData(log, 65536);
    EXPECT_LE(log.TotalCost(), 0x800000u);
  }
  const std::vector<NetworkEvent> events = TakeAll(log);
  // 63 data events of 131,243 cost units fit beside the notice.
  EXPECT_EQ(events.size(), 64u);
  EXPECT_EQ(events.back().id, 101u);
}

TEST(NetworkEventLog, TakeStopsAtCountOrCostButTakesTheFirstAlways) {
  NetworkEventLog log;
  AppendData(log, 600000);  // alone more than 1 MiB of cost
  EXPECT_EQ(log.Take(256, 0x100000).size(), 1u);
  for (int i = 0; i < 300; ++i) log.Append(Text("e"), {}, kNow);
  EXPECT_EQ(log.Take(256, 0x100000).size(), 256u);
  EXPECT_EQ(log.Size(), 44u);
  log.Clear();
  for (int i = 0; i < 40; ++i) AppendData(log, 16384);  // 32,947 each
  EXPECT_EQ(log.Take(256, 0x100000).size(), 31u);
  EXPECT_EQ(log.Size(), 9u);
  // Two events of 524,287 and 524,289 cost make exactly 1 MiB: both are taken;
  // two units more and the second waits.
  for (const auto& [second, taken] : {std::pair<size_t, size_t>{262055, 2}, {262056, 1}}) {
    log.Clear();
    AppendData(log, 262054);
    AppendData(log, second);
    AppendData(log, 1);
    EXPECT_EQ(log.Take(256, 0x100000).size(), taken) << second;
  }
}

}  // namespace
}  // namespace nubo
