// The Modbus master behind the application's route and workbench.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "tests/support/app_harness.h"

namespace nubo {
namespace {

using Json = nlohmann::json;

class ModbusWorkbenchTest : public ::testing::Test {
 protected:
  void SetUp() override { harness_.StartWithBothWindows(); }

  Json Send(const std::string& type, Json payload = Json::object()) {
    payload["requestId"] = "w";
    harness_.DashboardView().ClearPosted();
    harness_.FromDashboard(Json{{"type", type}, {"payload", payload}}.dump());
    const auto posted = harness_.DashboardView().Posted();
    return posted.size() == 1 ? Json::parse(posted[0]) : Json(posted);
  }

  testing::AppHarness harness_;
};

TEST_F(ModbusWorkbenchTest, HidingStopsTheMasterAndLeavesOnlyPollAndStop) {
  const Json started = Send("modbus.start", {{"port", 9}, {"timeoutMs", 10000}});
  ASSERT_EQ(started["type"], "modbus.start.result") << started;
  EXPECT_EQ(started["payload"]["requestId"], "w");
  EXPECT_EQ(Send("modbus.connect")["payload"]["message"], "未知 Modbus 操作。");

  harness_.app().HideDashboard();
  const Json polled = Send("modbus.poll");
  ASSERT_EQ(polled["type"], "modbus.poll.result") << polled;
  EXPECT_EQ(polled["payload"]["snapshot"]["state"], "stopped");
  EXPECT_EQ(Send("modbus.stop")["type"], "modbus.stop.result");
  for (const char* type : {"modbus.start", "modbus.request", "modbus.ports"}) {
    EXPECT_EQ(Send(type)["payload"]["message"], "请先打开工作台再进行设备通信。") << type;
  }
}

}  // namespace
}  // namespace nubo
