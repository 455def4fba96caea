// The serial requests' refusals, checked through the route before any port opens.

#include <gtest/gtest.h>

#include <string>

#include "debuggers/serial/serial_service.h"
#include "tests/debuggers/serial/support/serial_session.h"

namespace nubo {
namespace {

using testing::Json;

TEST(SerialRequests, StartRefusalsInOrder) {
  const std::string stopBits = "串口参数无效；1.5 停止位仅适用于 5 数据位，5 数据位不支持 2 停止位。";
  struct Case {
    const char* action;
    Json payload;
    std::string message;
  };
  const Case cases[] = {
      {"start", Json::array(), "串口请求参数必须为对象。"},
      {"open", Json::object(), "未知串口操作。"},
      {"start", {{"port", "COM123456789012"}, {"baud", "x"}}, "串口参数必须为整数。"},
      {"start", {{"port", "COM1234567890123"}, {"baud", "x"}}, "请选择有效 COM 端口。"},
      {"start", {{"port", std::string("COM1\0", 5)}}, "请选择有效 COM 端口。"},
      {"start", {{"port", "COM1"}, {"baud", 9600.5}}, "串口参数必须为整数。"},
      {"start", {{"port", "COM1"}, {"baud", true}}, "串口参数必须为整数。"},
      {"start", {{"port", "COM1"}, {"dataBits", "8"}}, "串口参数必须为整数。"},
      {"start", {{"port", "COM1"}, {"baud", -1}}, "串口参数超出范围。"},
      {"start", {{"port", "COM1"}, {"flowControl", 4000001}}, "串口参数超出范围。"},
      {"start", {{"port", "COM1"}, {"baud", 18446744073709551615ull}}, "串口参数超出范围。"},
      {"start", {{"port", "COM1"}, {"parity", -9223372036854775807ll - 1}}, "串口参数超出范围。"},
      {"start", {{"port", "COM1"}, {"baud", 4294967346ull}}, "串口参数超出范围。"},
      {"start", {{"port", "COM1"}, {"baud", 4000001}}, "串口参数超出范围。"},
      {"start", {{"port", "COM1"}, {"baud", 4000000}, {"stopBits", 2}, {"dataBits", 5}}, stopBits},
      {"start", {{"port", "COM1"}, {"baud", 20}}, stopBits},
      {"start", {{"port", "COM1"}, {"stopBits", 1}}, stopBits},
      {"start", {{"port", "COM0"}}, stopBits},
      {"start", {{"port", "COM1"}, {"parity", 4000000}}, stopBits},
      {"send", {{"dataHex", "00"}}, "请先打开串口。"},
  };
  SerialService service;
  testing::SerialSession session(service);
  for (const Case& c : cases) {
    const Json reply = session.Call(c.action, c.payload);
    EXPECT_EQ(reply["type"], std::string("serial.") + c.action + ".error") << c.payload;
    EXPECT_EQ(reply["payload"]["message"], c.message) << c.payload;
    EXPECT_EQ(reply["payload"]["requestId"], c.payload.is_object() ? "r" : "");
  }
  // The JSON library's own words for a missing port or a dtr that is no boolean.
  for (const Json& payload : {Json::object(), Json{{"port", "COM1"}, {"dtr", 1}}}) {
    const Json reply = session.Call("start", payload);
    EXPECT_EQ(reply["type"], "serial.start.error");
    EXPECT_NE(reply["payload"]["message"].get<std::string>().find("[json.exception"), std::string::npos);
  }
  // A result carries the request's requestId too, whatever the payload held.
  EXPECT_EQ(session.Call("poll", Json{{"x", 1}})["payload"]["requestId"], "r");
  // Nothing changed: still stopped with an empty log, and the stop is harmless.
  const Json stop = session.Call("stop");
  EXPECT_EQ(stop["payload"]["snapshot"]["state"], "stopped");
  EXPECT_EQ(stop["payload"]["snapshot"]["port"], "");
  EXPECT_TRUE(session.Poll()["payload"]["events"].empty());
}

}  // namespace
}  // namespace nubo
