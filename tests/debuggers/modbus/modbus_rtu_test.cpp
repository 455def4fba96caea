// The Modbus master over RTU on the test's pty-backed COM ports, against a
// pymodbus slave and a scripted one.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/debuggers/modbus/support/modbus_session.h"
#include "tests/debuggers/network/support/python_peer.h"

namespace nubo {
namespace {

using testing::Json;

// An answer is awaited far longer than a loaded machine needs to give one;
// only a silent slave makes the master wait for its time-out.
constexpr int kAnswerMs = 5000;
constexpr int kSilenceMs = 300;

// Without parity: a pty keeps none (see the last test), and the far end
// ignores parity and line timing anyway.
Json RtuStart(const std::string& port, Json more = Json::object()) {
  Json payload{{"transport", "rtu"}, {"serialPort", port}, {"parity", "none"}, {"baudRate", 115200}, {"timeoutMs", kAnswerMs}};
  payload.update(more);
  return payload;
}

bool Connect(testing::ModbusSession& session, const Json& payload) {
  if (session.Call("start", payload)["type"] != "modbus.start.result") return false;
  return session.PollUntil([&] { return session.State() != "connecting"; }) && session.State() == "connected";
}

class ModbusRtuTest : public ::testing::Test {
 protected:
  testing::PythonPeer peer_{testing::ModbusPeerScript()};
  testing::ModbusSession session_;
};

TEST_F(ModbusRtuTest, ReadsAndWritesThePymodbusSlave) {
  const std::string slave = peer_.Call("pymodbus rtu peer1");
  peer_.Call("set " + slave + " hr 0 4660");
  ASSERT_TRUE(Connect(session_, RtuStart("COM1", {{"baudRate", 9600}}))) << session_.snapshot();
  ASSERT_TRUE(session_.RunRequest({{"functionCode", 3}}));
  EXPECT_EQ(session_.Error(), "");
  EXPECT_EQ(session_.snapshot()["result"]["values"], Json::array({4660}));
  EXPECT_EQ(session_.Hex("TX").at(0), "01 03 00 00 00 01 84 0A");

  ASSERT_TRUE(session_.RunRequest(
      {{"functionCode", 16}, {"address", 20}, {"quantity", 3}, {"values", {7, 65535, 9}}, {"confirmed", true}}));
  EXPECT_EQ(session_.Error(), "");
  EXPECT_EQ(peer_.Call("get " + slave + " hr 20 3"), "7 65535 9");
}

TEST_F(ModbusRtuTest, EachFaultySlaveGetsItsSentence) {
  struct Case {
    std::string mode;
    std::string error;
  };
  // A device that keeps talking past 260 bytes is refused without reading
  // more than one byte beyond the largest response.
  const Case cases[] = {
      {"crc", "RTU CRC mismatch"},
      {"chatter 3", "Invalid or truncated response length"},
      {"long", "响应长度超过 Modbus 上限。"},
      {"exception 4", "Modbus 异常码 4（设备故障）。"},
      {"silent", "设备响应超时。"},
  };
  for (const Case& c : cases) {
    peer_.Call("rtufake peer2 " + c.mode);
    testing::ModbusSession session;
    const int timeoutMs = c.mode == "silent" ? kSilenceMs : kAnswerMs;
    ASSERT_TRUE(Connect(session, RtuStart("COM2", {{"retries", 1}, {"timeoutMs", timeoutMs}}))) << session.snapshot();
    ASSERT_TRUE(session.RunRequest({{"functionCode", 4}, {"quantity", 2}}));
    EXPECT_EQ(session.Error(), c.error) << c.mode;
    const size_t attempts = c.mode.starts_with("exception") ? 1 : 2;
    EXPECT_EQ(session.Hex("TX"), std::vector<std::string>(attempts, "01 04 00 00 00 02 71 CB")) << c.mode;
  }
}

// A pty drops the parity bit, so a second set-up with the same parity
// changes nothing, which the C library beneath Wine's serial driver reports
// as a refusal (code 87): the first open with parity succeeds, the reopen of
// a retry fails here. A Windows port takes both.
TEST_F(ModbusRtuTest, APtyRefusesAReopenWithTheSameParity) {
  peer_.Call("rtufake peer2 silent");
  ASSERT_TRUE(Connect(session_, RtuStart("COM2")));  // without parity, so the next set-up changes the line
  session_.service().Stop();
  Json even = RtuStart("COM2", {{"retries", 1}, {"timeoutMs", kSilenceMs}});
  even.erase("parity");  // the default, even
  ASSERT_TRUE(Connect(session_, even)) << session_.snapshot();
  ASSERT_TRUE(session_.RunRequest({{"functionCode", 3}}));
  EXPECT_EQ(session_.Error(), "配置串口失败（系统代码 87）。");
  EXPECT_EQ(session_.Lines(), std::vector<std::string>{"TX "});
}

}  // namespace
}  // namespace nubo
