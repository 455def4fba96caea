// The Modbus master over TCP against a pymodbus slave and scripted fakes.

#include <winsock2.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/debuggers/modbus/support/modbus_session.h"
#include "tests/debuggers/network/support/python_peer.h"

namespace nubo {
namespace {

using testing::Json;

constexpr char kUncertain[] = " 写入结果不确定；不会自动重试，请先读取核对。";

// An answer is awaited far longer than a loaded machine needs to give one;
// a device that stays silent makes the master wait this long per attempt.
constexpr int kAnswerMs = 5000;
constexpr int kSilenceMs = 500;

std::string Joined(const std::vector<int>& values) {
  std::string text;
  for (int value : values) {
    if (!text.empty()) text += ' ';
    text += std::to_string(value);
  }
  return text;
}

std::vector<int> Pattern(size_t count, int (*value)(size_t)) {
  std::vector<int> values;
  for (size_t i = 0; i < count; ++i) values.push_back(value(i));
  return values;
}

class ModbusTcpTest : public ::testing::Test {
 protected:
  int Fake(const std::string& mode) { return peer_.Number("fake " + mode); }
  // Whether the fake, counting on threads of its own, comes to "connects frames".
  bool CountsReach(int port, const std::string& expected) {
    return session_.PollUntil([&] { return peer_.Call("counts " + std::to_string(port)) == expected; }, 5000);
  }

  testing::PythonPeer peer_{testing::ModbusPeerScript()};
  testing::ModbusSession session_;
};

TEST_F(ModbusTcpTest, EveryFunctionAtItsLimitReachesTheSlave) {
  const int port = peer_.Number("pymodbus tcp");
  const std::string slave = std::to_string(port);
  ASSERT_TRUE(session_.ConnectTcp(port)) << session_.snapshot();

  peer_.Call("set " + slave + " hr 0 42");
  ASSERT_TRUE(session_.RunRequest({{"functionCode", 3}}));
  EXPECT_EQ(session_.snapshot()["result"]["values"], Json::array({42}));
  EXPECT_EQ(session_.Hex("TX").at(0), "00 01 00 00 00 06 01 03 00 00 00 01");
  EXPECT_EQ(session_.Hex("RX").at(0), "00 01 00 00 00 05 01 03 02 00 2A");

  const std::vector<int> registers = Pattern(125, [](size_t i) { return int(65535 - 517 * i); });
  const std::vector<int> bits = Pattern(2000, [](size_t i) { return int(i % 3 == 0 || i % 7 == 0); });
  peer_.Call("set " + slave + " hr 65411 " + Joined(registers));
  peer_.Call("set " + slave + " ir 0 " + Joined(registers));
  peer_.Call("set " + slave + " co 0 " + Joined(bits));
  peer_.Call("set " + slave + " di 63536 " + Joined(bits));
  struct Read {
    int function, address, quantity;
    std::vector<int> values;
  };
  for (const Read& read : {Read{3, 65411, 125, registers}, Read{4, 0, 125, registers}, Read{1, 0, 2000, bits},
                           Read{2, 63536, 2000, bits}}) {
    ASSERT_TRUE(session_.RunRequest({{"functionCode", read.function}, {"address", read.address},
                                     {"quantity", read.quantity}}));
    EXPECT_EQ(session_.Error(), "") << read.function;
    EXPECT_EQ(session_.snapshot()["result"]["values"], Json(read.values)) << read.function;
    EXPECT_EQ(session_.snapshot()["result"]["written"], false);
  }

  struct Write {
    int function, address;
    std::vector<int> values;
    std::string table;
  };
  const std::vector<int> coils = Pattern(1968, [](size_t i) { return int(i % 5 == 1); });
  const std::vector<int> words = Pattern(123, [](size_t i) { return int(1 + 531 * i); });
  for (const Write& write : {Write{5, 65535, {1}, "co"}, Write{6, 7, {65535}, "hr"}, Write{15, 100, coils, "co"},
                             Write{16, 65413, words, "hr"}}) {
    const int quantity = static_cast<int>(write.values.size());
    ASSERT_TRUE(session_.RunRequest({{"functionCode", write.function}, {"address", write.address},
                                     {"quantity", quantity}, {"values", write.values}, {"confirmed", true}}));
    EXPECT_EQ(session_.Error(), "") << write.function;
    EXPECT_EQ(session_.snapshot()["result"]["written"], true);
    EXPECT_EQ(peer_.Call("get " + slave + " " + write.table + " " + std::to_string(write.address) + " " +
                         std::to_string(quantity)),
              Joined(write.values))
        << write.function;
  }
  EXPECT_EQ(session_.State(), "connected");
}

TEST_F(ModbusTcpTest, EachFaultyDeviceGetsItsSentence) {
  struct Case {
    std::string mode;
    int function;
    std::string error;
    std::string state;
  };
  const Case cases[] = {
      {"transaction", 3, "Transaction ID mismatch", "error"},
      {"protocol", 3, "MBAP 长度或协议标识不正确。", "error"},
      {"long", 3, "MBAP 长度或协议标识不正确。", "error"},
      {"unit", 3, "Unit ID mismatch", "error"},
      {"truncated", 3, "设备响应超时。", "error"},
      {"close", 3, "TCP 连接已断开或接收失败。", "error"},
      {"close", 16, std::string("TCP 连接已断开或接收失败。") + kUncertain, "error"},
      {"exception 2", 3, "Modbus 异常码 2（非法数据地址）。", "connected"},
      {"exception 9", 6, "Modbus 异常码 9（设备拒绝请求）。", "connected"},
  };
  for (const Case& c : cases) {
    testing::ModbusSession session;
    const int timeoutMs = c.mode == "truncated" ? kSilenceMs : kAnswerMs;
    ASSERT_TRUE(session.ConnectTcp(Fake(c.mode), {{"timeoutMs", timeoutMs}})) << c.mode;
    const bool write = c.function != 3;
    Json request{{"functionCode", c.function}, {"confirmed", true}};
    if (write) request.update({{"quantity", 1}, {"values", {1}}});
    ASSERT_TRUE(session.RunRequest(request)) << c.mode;
    EXPECT_EQ(session.Error(), c.error) << c.mode;
    EXPECT_EQ(session.State(), c.state) << c.mode;
    EXPECT_TRUE(session.snapshot()["result"].is_null()) << c.mode;
    if (c.mode == "protocol") {
      EXPECT_EQ(session.Hex("RX"), std::vector<std::string>{"00 01 00 01 00 05"});
    }
    if (c.mode == "truncated") {
      EXPECT_EQ(session.Lines().back(), "RX 不完整响应");
    }
  }
}

// Bytes past a complete response are the next request's first bytes, taken
// in order, as they come out of the socket.
TEST_F(ModbusTcpTest, BytesPastAResponseAnswerTheNextRequest) {
  ASSERT_TRUE(session_.ConnectTcp(Fake("twice"), {{"timeoutMs", kAnswerMs}}));
  ASSERT_TRUE(session_.RunRequest({{"functionCode", 3}}));
  EXPECT_EQ(session_.Error(), "");
  ASSERT_TRUE(session_.RunRequest({{"functionCode", 3}}));
  EXPECT_EQ(session_.Error(), "Transaction ID mismatch");
  EXPECT_EQ(session_.Hex("RX"),
            (std::vector<std::string>{"00 01 00 00 00 05 01 03 02 00 00", "00 01 00 00 00 05 01 03 02 00 00"}));
}

TEST_F(ModbusTcpTest, SilentDeviceRetriesReadsOnFreshConnectionsAndWritesOnce) {
  const int port = Fake("silent");
  ASSERT_TRUE(session_.ConnectTcp(port, {{"timeoutMs", kSilenceMs}, {"retries", 2}}));
  ASSERT_TRUE(session_.RunRequest({{"functionCode", 4}}));
  EXPECT_EQ(session_.Lines(),
            (std::vector<std::string>{"TX ", "INFO 只读请求重试 1", "TX ", "INFO 只读请求重试 2", "TX "}));
  EXPECT_EQ(session_.State(), "error");
  EXPECT_EQ(session_.Error(), "设备响应超时。");
  EXPECT_TRUE(CountsReach(port, "3 3"));

  ASSERT_TRUE(session_.ConnectTcp(port, {{"timeoutMs", kSilenceMs}, {"retries", 2}}));
  ASSERT_TRUE(session_.RunRequest({{"functionCode", 6}, {"values", {9}}, {"confirmed", true}}));
  EXPECT_EQ(session_.Error(), std::string("设备响应超时。") + kUncertain);
  EXPECT_EQ(session_.Hex("TX").size(), 4u);
  EXPECT_TRUE(CountsReach(port, "4 4"));
}

int ClosedPort() {
  WSADATA data{};
  WSAStartup(MAKEWORD(2, 2), &data);
  SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int length = sizeof(address);
  bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof(address));
  getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
  closesocket(probe);
  WSACleanup();
  return ntohs(address.sin_port);
}

TEST_F(ModbusTcpTest, RefusedAndTimedOutConnectsFailWithTheirTexts) {
  EXPECT_FALSE(session_.ConnectTcp(ClosedPort()));
  EXPECT_EQ(session_.State(), "error");
  EXPECT_EQ(session_.Error(), "连接 TCP失败（系统代码 10061）。");

  EXPECT_FALSE(session_.ConnectTcp(Fake("backlog"), {{"timeoutMs", 200}}));
  EXPECT_EQ(session_.Error(), "TCP 连接超时。");
  EXPECT_EQ(session_.State(), "error");
}

TEST_F(ModbusTcpTest, StopEndsAPendingRequestOrConnectWithoutTrace) {
  ASSERT_TRUE(session_.ConnectTcp(Fake("silent"), {{"timeoutMs", 10000}}));
  ASSERT_EQ(session_.Call("request", {{"functionCode", 3}})["type"], "modbus.request.result");
  ASSERT_TRUE(session_.PollUntil([&] { return !session_.Lines().empty(); }));
  session_.service().Stop();
  session_.Poll();
  EXPECT_EQ(session_.State(), "stopped");
  EXPECT_EQ(session_.Lines(), std::vector<std::string>{"TX "});
  EXPECT_EQ(session_.snapshot()["pending"], false);

  ASSERT_EQ(session_.Call("start", {{"port", Fake("backlog")}, {"timeoutMs", 10000}})["type"], "modbus.start.result");
  Sleep(100);
  session_.service().Stop();
  session_.Poll();
  EXPECT_EQ(session_.State(), "stopped");
  EXPECT_EQ(session_.Error(), "");
  EXPECT_EQ(session_.Lines(), std::vector<std::string>{"TX "});
}

}  // namespace
}  // namespace nubo
