// The Modbus master's refusals of "start" and "request" payloads.

#include <gtest/gtest.h>

#include <string>

#include "tests/debuggers/modbus/support/modbus_session.h"
#include "tests/debuggers/network/support/python_peer.h"

namespace nubo {
namespace {

using testing::Json;

TEST(ModbusChecks, StartRefusesEachBadSetting) {
  struct Case {
    Json payload;
    std::string refusal;
  };
  const Json rtu{{"transport", "rtu"}};
  const auto Rtu = [&](Json more) {
    Json payload = rtu;
    payload.update(more);
    return payload;
  };
  const Case cases[] = {
      {{{"transport", "udp"}, {"port", 0}}, "请选择 Modbus TCP 或 RTU。"},
      {{{"host", "localhost"}}, "TCP 主机请填写 IPv4 或 IPv6 数字地址，不支持域名。"},
      {{{"host", "[::1]"}}, "TCP 主机请填写 IPv4 或 IPv6 数字地址，不支持域名。"},
      {{{"port", 0}}, "port 超出范围。"},
      {{{"port", 65536}}, "port 超出范围。"},
      {{{"timeoutMs", 99}}, "timeoutMs 超出范围。"},
      {{{"timeoutMs", 10001}}, "timeoutMs 超出范围。"},
      {{{"retries", 3}}, "retries 超出范围。"},
      {{{"retries", 1.5}}, "retries 必须是整数。"},
      {{{"unitId", "1"}}, "unitId 必须是整数。"},
      {{{"unitId", 0}}, "unitId 超出范围。"},
      {{{"unitId", 248}}, "unitId 超出范围。"},
      {{{"dataBits", 7}}, "dataBits 超出范围。"},
      {{{"baudRate", 1199}}, "baudRate 超出范围。"},
      {{{"stopBits", 3}}, "stopBits 超出范围。"},
      {Rtu({{"serialPort", "COM0"}}), "串口必须是 COM1、COM2 等端口名称。"},
      {Rtu({{"serialPort", "COM123456"}}), "串口必须是 COM1、COM2 等端口名称。"},
      {Rtu({{"serialPort", "COM"}}), "串口必须是 COM1、COM2 等端口名称。"},
      {Rtu({{"serialPort", "COMX"}}), "串口名称不正确。"},
      {Rtu({{"serialPort", "COM1234X"}}), "串口名称不正确。"},
      {Rtu({{"parity", "mark"}}), "校验位不正确。"},
      {Rtu({{"baudRate", 230401}}), "baudRate 超出范围。"},
  };
  testing::ModbusSession session;
  for (const Case& c : cases) EXPECT_EQ(session.Refusal("start", c.payload), c.refusal) << c.payload;
  EXPECT_EQ(session.Refusal("connect"), "未知 Modbus 操作。");
  EXPECT_EQ(session.Refusal("request"), "请先连接设备。");
  EXPECT_EQ(session.State(), "");  // no refusal carried a snapshot
}

// The worker may fail these connects at once: only the start's own answer
// is checked.
TEST(ModbusChecks, AcceptedStartsShowTheirEndpoint) {
  testing::ModbusSession session;
  struct Case {
    Json payload;
    std::string endpoint;
    std::string transport;
  };
  const Case cases[] = {
      {{{"host", "::1"}, {"timeoutMs", 100}}, "::1:502", "tcp"},
      {{{"port", 65535}, {"unitId", 247}, {"timeoutMs", 10000}, {"retries", 2}}, "127.0.0.1:65535", "tcp"},
      {{{"transport", "rtu"}, {"serialPort", "COM12345"}, {"parity", "none"}, {"stopBits", 2}}, "COM12345", "rtu"},
  };
  for (const Case& c : cases) {
    const Json reply = session.Call("start", c.payload);
    ASSERT_EQ(reply["type"], "modbus.start.result") << reply;
    EXPECT_EQ(session.snapshot()["endpoint"], c.endpoint);
    EXPECT_EQ(session.snapshot()["transport"], c.transport);
    EXPECT_EQ(session.State(), "connecting");
    session.service().Stop();
    session.Poll();
    EXPECT_EQ(session.State(), "stopped");
  }
}

TEST(ModbusChecks, RequestRefusesBadFieldsAndUnconfirmedWrites) {
  testing::PythonPeer peer{testing::ModbusPeerScript()};
  testing::ModbusSession session;
  ASSERT_TRUE(session.ConnectTcp(peer.Number("pymodbus tcp")));
  constexpr char kConfirm[] = "每次写入都必须先明确确认目标地址及全部值。";
  struct Case {
    Json payload;
    std::string refusal;
  };
  const Case cases[] = {
      {{{"functionCode", 6}, {"values", {1}}}, kConfirm},
      {{{"functionCode", 6}, {"values", {1}}, {"confirmed", "true"}}, kConfirm},
      {{{"functionCode", 15}, {"quantity", 2}, {"values", {1, 0}}, {"confirmed", false}}, kConfirm},
      {{{"functionCode", 6}, {"values", {65536}}, {"confirmed", true}}, "寄存器值必须是 0–65535 的整数。"},
      {{{"functionCode", 6}, {"values", {-1}}, {"confirmed", true}}, "寄存器值必须是 0–65535 的整数。"},
      {{{"functionCode", 16}, {"values", {1.5}}, {"confirmed", true}}, "寄存器值必须是 0–65535 的整数。"},
      {{{"functionCode", 16}, {"values", "1"}}, "写入值列表不正确。"},
      {{{"functionCode", 16}, {"quantity", 2000}, {"values", Json(std::vector<int>(2001, 0))}}, "写入值列表不正确。"},
      {{{"functionCode", 3}, {"values", {1}}}, "Read requests must not contain write values"},
      {{{"functionCode", 7}}, "Unsupported function code"},
      {{{"functionCode", 17}}, "functionCode 超出范围。"},
      {{{"quantity", 2001}}, "quantity 超出范围。"},
      {{{"quantity", 126}}, "Quantity is outside the function limit"},
      {{{"address", 65536}}, "address 超出范围。"},
      {{{"address", 65535}, {"quantity", 2}}, "Address range exceeds 65535"},
      {{{"functionCode", 5}, {"values", {2}}, {"confirmed", true}}, "Coils accept only 0 or 1"},
  };
  for (const Case& c : cases) EXPECT_EQ(session.Refusal("request", c.payload), c.refusal) << c.payload;
  EXPECT_EQ(session.Refusal("start"), "请先断开当前连接。");
  EXPECT_EQ(session.snapshot()["pending"], false);

  testing::ModbusSession silent;
  ASSERT_TRUE(silent.ConnectTcp(peer.Number("fake silent"), {{"timeoutMs", 10000}}));
  ASSERT_EQ(silent.Call("request")["type"], "modbus.request.result");
  EXPECT_EQ(silent.Refusal("request"), "上一条请求尚未完成。");
}

}  // namespace
}  // namespace nubo
