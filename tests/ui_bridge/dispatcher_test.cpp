#include <gtest/gtest.h>

#include "tests/support/app_harness.h"
#include "tests/support/case_name.h"

namespace nubo {
namespace {

using testing::AppHarness;

enum class Sender { Pet, Dashboard };

struct DispatchCase {
  const char* name;
  Sender sender;
  std::string message;
  std::string expectedReply;  // the one message the sender receives
};

class Dispatch : public ::testing::TestWithParam<DispatchCase> {
 protected:
  void SetUp() override { harness_.StartWithBothWindows(); }
  AppHarness harness_;
};

TEST_P(Dispatch, AnswersTheSenderOnly) {
  const DispatchCase& c = GetParam();
  testing::ScriptedView& sender = c.sender == Sender::Pet ? harness_.PetView() : harness_.DashboardView();
  testing::ScriptedView& other = c.sender == Sender::Pet ? harness_.DashboardView() : harness_.PetView();
  if (c.sender == Sender::Pet) {
    harness_.FromPet(c.message);
  } else {
    harness_.FromDashboard(c.message);
  }
  EXPECT_EQ(sender.Posted(), std::vector<std::string>{c.expectedReply});
  EXPECT_TRUE(other.Posted().empty());
}

const std::string kBadFormat = R"({"payload":{"message":"界面发送的数据格式不正确。"},"type":"app.error"})";
const std::string kUnsupported = R"({"payload":{"message":"暂不支持这个操作。"},"type":"app.error"})";
const std::string kNetworkFromPet =
    R"({"payload":{"message":"网络调试功能只能从星朵助手工作台使用。"},"type":"app.error"})";

INSTANTIATE_TEST_SUITE_P(
    HandleWebMessage, Dispatch,
    ::testing::Values(
        DispatchCase{"not_json", Sender::Pet, "{", kBadFormat},
        DispatchCase{"trailing_text", Sender::Pet, R"({"type":"app.ready"} x)", kBadFormat},
        DispatchCase{"comment", Sender::Pet, R"({"type":"pet.action"/* hi */})", kBadFormat},
        DispatchCase{"not_an_object", Sender::Dashboard, "[1,2]", kBadFormat},
        DispatchCase{"type_not_a_string", Sender::Pet, R"({"type":5})", kBadFormat},
        DispatchCase{"empty_object", Sender::Pet, "{}", kUnsupported},
        DispatchCase{"unknown_type", Sender::Dashboard, R"({"type":"app.explode","payload":{}})", kUnsupported},
        DispatchCase{"type_case_matters", Sender::Pet, R"({"type":"App.Ready"})", kUnsupported},
        DispatchCase{"network_from_pet", Sender::Pet,
                     R"({"type":"network.poll","payload":{"requestId":"r1"}})", kNetworkFromPet},
        DispatchCase{"network_gate_before_all_else", Sender::Pet, R"({"type":"network.nothing","payload":7})",
                     kNetworkFromPet},
        DispatchCase{"network_poll_request_id_81", Sender::Dashboard,
                     R"({"type":"network.poll","payload":{"requestId":")" + std::string(81, 'n') + R"("}})",
                     R"({"payload":{"message":"网络事件读取请求无效。","requestId":")" + std::string(81, 'n') +
                         R"("},"type":"network.poll.error"})"},
        DispatchCase{"network_stop_from_dashboard", Sender::Dashboard,
                     R"({"type":"network.stop","payload":{"requestId":"n1"}})",
                     R"({"payload":{"requestId":"n1","snapshot":{"lastError":"","localHost":"127.0.0.1","localPort":0,"mode":"tcp-client","multicastGroup":"","multicastInterface":"","multicastJoined":false,"multicastTtl":1,"peers":[],"remoteHost":"127.0.0.1","remotePort":9000,"rxBytes":0,"rxPackets":0,"state":"stopped","txBytes":0,"txPackets":0}},"type":"network.stop.result"})"},
        DispatchCase{"unknown_pet_action", Sender::Pet, R"({"type":"pet.action","payload":{"action":"fly"}})",
                     R"({"payload":{"message":"这个动作暂时还不会哦。"},"type":"app.error"})"},
        DispatchCase{"payload_array_in_value_read", Sender::Pet, R"({"type":"pet.action","payload":[1]})",
                     kBadFormat},
        DispatchCase{"wrong_member_type_is_outer_catch", Sender::Dashboard,
                     R"({"type":"settings.update","payload":{"soundEnabled":"yes"}})", kBadFormat},
        DispatchCase{"own_catch_bad_request_id", Sender::Dashboard,
                     R"({"type":"shortcuts.save","payload":{"requestId":")" + std::string(81, 'r') +
                         R"(","financeWebsiteUrl":"","learningWebsiteUrl":""}})",
                     R"({"payload":{"message":"网站设置请求编号无效。","requestId":")" + std::string(81, 'r') +
                         R"("},"type":"shortcuts.save.error"})"},
        DispatchCase{"own_catch_from_pet", Sender::Pet,
                     R"({"type":"shortcuts.save","payload":{"requestId":"s1","financeWebsiteUrl":"","learningWebsiteUrl":""}})",
                     R"({"payload":{"message":"请在工作台设置中保存网站地址。","requestId":"s1"},"type":"shortcuts.save.error"})"},
        DispatchCase{"tool_payload_array", Sender::Pet, R"({"type":"tool.execute","payload":[1]})", kBadFormat},
        DispatchCase{"tool_from_pet", Sender::Pet,
                     R"({"type":"tool.execute","payload":{"requestId":"t1","toolId":"hex","operation":"encode","input":"Hi"}})",
                     R"({"payload":{"output":"4869","requestId":"t1","toolId":"hex"},"type":"tool.result"})"},
        DispatchCase{"tool_missing_fields", Sender::Dashboard, R"({"type":"tool.execute","payload":{"requestId":"t2"}})",
                     R"({"payload":{"message":"工具请求缺少必要参数。","requestId":"t2"},"type":"tool.error"})"},
        DispatchCase{"snapshot_bad_request_id", Sender::Pet, R"({"type":"system.snapshot","payload":{}})",
                     R"({"payload":{"message":"系统信息请求缺少有效标识。"},"type":"app.error"})"},
        DispatchCase{"ports_bad_request_id", Sender::Dashboard,
                     R"({"type":"ports.list","payload":{"requestId":")" + std::string(81, 'p') + R"("}})",
                     R"({"payload":{"message":"端口请求缺少有效标识。"},"type":"app.error"})"},
        DispatchCase{"device_from_pet", Sender::Pet, R"({"type":"serial.open","payload":{"requestId":"d1"}})",
                     R"({"payload":{"message":"调试请求无效，或工作台已关闭。","requestId":"d1"},"type":"serial.open.error"})"},
        DispatchCase{"device_type_over_40", Sender::Dashboard,
                     R"({"type":"modbus.)" + std::string(34, 'x') + R"(","payload":{"requestId":"d2"}})",
                     R"({"payload":{"message":"调试请求无效，或工作台已关闭。","requestId":"d2"},"type":"modbus.)" +
                         std::string(34, 'x') + R"(.error"})"},
        DispatchCase{"device_request_id_81", Sender::Dashboard,
                     R"({"type":"mqtt.poll","payload":{"requestId":")" + std::string(81, 'm') + R"("}})",
                     R"({"payload":{"message":"调试请求无效，或工作台已关闭。","requestId":")" + std::string(81, 'm') +
                         R"("},"type":"mqtt.poll.error"})"},
        DispatchCase{"device_message_over_1_mib", Sender::Dashboard,
                     R"({"type":"mqtt.publish","payload":{"requestId":"d3","payloadHex":")" +
                         std::string(1'048'576, 'a') + R"("}})",
                     R"({"payload":{"message":"调试请求无效，或工作台已关闭。","requestId":"d3"},"type":"mqtt.publish.error"})"},
        DispatchCase{"software_from_pet", Sender::Pet, R"({"type":"software.list","payload":{"requestId":"s1"}})",
                     R"({"payload":{"message":"请在已打开的工作台中操作软件卸载工具。","requestId":"s1"},"type":"software.list.error"})"},
        DispatchCase{"software_without_request_id", Sender::Dashboard, R"({"type":"software.scan","payload":{}})",
                     R"({"payload":{"message":"请在已打开的工作台中操作软件卸载工具。","requestId":""},"type":"software.scan.error"})"},
        DispatchCase{"software_message_over_1_mib", Sender::Dashboard,
                     R"({"type":"software.cleanup","payload":{"requestId":"s2","pad":")" + std::string(1'048'576, 'a') +
                         R"("}})",
                     R"({"payload":{"message":"请在已打开的工作台中操作软件卸载工具。","requestId":"s2"},"type":"software.cleanup.error"})"},
        DispatchCase{"own_catch_payload_not_object", Sender::Dashboard, R"({"type":"shortcuts.save","payload":"x"})",
                     R"({"payload":{"message":"网站设置请求编号无效。","requestId":""},"type":"shortcuts.save.error"})"}),
    testing::CaseName());

class DispatcherTest : public ::testing::Test {
 protected:
  void SetUp() override { harness_.StartWithBothWindows(); }
  AppHarness harness_;
};

TEST_F(DispatcherTest, AppReadyFromEachWindowGetsTheWholeState) {
  harness_.FromPet(R"({"type":"app.ready"})");  // no payload at all
  harness_.FromDashboard(R"({"type":"reminder.list","payload":{}})");
  for (testing::ScriptedView* view : {&harness_.PetView(), &harness_.DashboardView()}) {
    const auto posts = testing::ParsedPosts(*view);
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0]["type"], "state.sync");
    std::vector<std::string> members;
    for (const auto& [key, value] : posts[0]["payload"].items()) members.push_back(key);
    EXPECT_EQ(members, (std::vector<std::string>{
                           "activeCharacterId", "characters", "financeWebsiteUrl", "lastDashboardView",
                           "lastToolCategory", "learningWebsiteUrl", "now", "openLastView", "petName",
                           "reminders", "soundEnabled", "speechEnabled", "workspaceTextSize",
                           "workspaceTheme"}));
  }
}

TEST_F(DispatcherTest, SerialisesCompactlyWithSortedKeysAndRawUtf8) {
  harness_.app().Store().CreateReminder("喝水", 1'900'000'000'000, "daily", "urgent");
  harness_.FromPet(R"({"type":"app.ready"})");
  const std::string text = harness_.PetView().Posted().at(0);
  EXPECT_EQ(text.rfind(R"({"payload":{"activeCharacterId":"builtin","characters":[{"builtIn":true,"id":"builtin","imageUrl":"https://ui.nubo.example/assets/nubo-sprite.png","layout":"sheet","name":"经典小鼠"}],"financeWebsiteUrl":"","lastDashboardView":"today","lastToolCategory":"","learningWebsiteUrl":"","now":)", 0),
            0u)
      << text;
  EXPECT_NE(text.find(R"("openLastView":true,"petName":"可爱朵朵","reminders":[{"completed":false,"dueAt":1900000000000,"id":1,"notified":false,"priority":"urgent","repeatRule":"daily","title":"喝水"}],"soundEnabled":true,"speechEnabled":false,"workspaceTextSize":"comfortable","workspaceTheme":"warm"},"type":"state.sync"})"),
            std::string::npos)
      << text;
  EXPECT_EQ(text.find(' '), std::string::npos);
}

TEST_F(DispatcherTest, ReadyDashboardReceivesAPendingNavigation) {
  harness_.FromPet(R"({"type":"window.openToolbox"})");
  EXPECT_TRUE(harness_.DashboardView().PostedOfType("workspace.toolbox.open").empty());  // not ready yet
  harness_.FromDashboard(R"({"type":"app.ready"})");
  EXPECT_EQ(harness_.DashboardView().PostedOfType("workspace.toolbox.open"),
            std::vector<std::string>{R"({"payload":{"shortcut":""},"type":"workspace.toolbox.open"})"});
  harness_.FromPet(R"({"type":"window.openShortcutSettings","payload":{"shortcut":"learning"}})");
  EXPECT_EQ(harness_.DashboardView().PostedOfType("workspace.shortcuts.open"),
            std::vector<std::string>{R"({"payload":{"shortcut":"learning"},"type":"workspace.shortcuts.open"})"});
  harness_.FromPet(R"({"type":"window.openShortcutSettings","payload":{"shortcut":"games"}})");
  EXPECT_EQ(harness_.PetView().PostedOfType("app.error"),
            std::vector<std::string>{R"({"payload":{"message":"未知的网站快捷入口。"},"type":"app.error"})"});
}

TEST_F(DispatcherTest, TextsThatCannotBeSerialisedBecomeAnErrorNotAnEscape) {
  // A stored pet name that is not UTF-8 cannot travel as JSON.
  harness_.app().Store().PutSetting("pet.name", "\xC0\xAF");
  harness_.FromPet(R"({"type":"settings.update","payload":{}})");  // keeps the current valid name
  harness_.PetView().ClearPosted();
  harness_.app().SendAppError(*harness_.app().PetWindow(), "bad \xFF text");
  EXPECT_EQ(harness_.PetView().Posted(),
            std::vector<std::string>{
                R"({"payload":{"message":"Unable to send a message that holds invalid UTF-8 text."},"type":"app.error"})"});
}

TEST_F(DispatcherTest, ToolInputLimitThroughTheWholeRoad) {
  for (size_t size : {size_t{1'048'576}, size_t{1'048'577}}) {
    harness_.PetView().ClearPosted();
    harness_.FromPet(R"({"type":"tool.execute","payload":{"requestId":"big","toolId":"hash","operation":"sha256","input":")" +
                     std::string(size, 'a') + R"("}})");
    const auto replies = testing::ParsedPosts(harness_.PetView());
    ASSERT_EQ(replies.size(), 1u);
    if (size == 1'048'576) {
      EXPECT_EQ(replies[0]["type"], "tool.result");
      EXPECT_EQ(replies[0]["payload"]["output"].get<std::string>().size(), 64u);
    } else {
      EXPECT_EQ(replies[0]["type"], "tool.error");
      EXPECT_EQ(replies[0]["payload"]["toolId"], "hash");
    }
  }
}

TEST_F(DispatcherTest, SnapshotAndPortsAnswerEitherWindow) {
  harness_.FromPet(R"({"type":"system.snapshot","payload":{"requestId":"sys"}})");
  harness_.FromPet(R"({"type":"ports.list","payload":{"requestId":"ports"}})");
  const auto replies = testing::ParsedPosts(harness_.PetView());
  ASSERT_EQ(replies.size(), 2u);
  EXPECT_EQ(replies[0]["type"], "system.snapshot.result");
  EXPECT_EQ(replies[0]["payload"]["requestId"], "sys");
  EXPECT_EQ(replies[1]["type"], "ports.list.result");
  EXPECT_TRUE(replies[1]["payload"]["entries"].is_array());
  EXPECT_TRUE(harness_.DashboardView().Posted().empty());
}

TEST_F(DispatcherTest, GatesWithAHiddenWorkbench) {
  harness_.app().HideDashboard();
  struct Case {
    std::string type;
    std::string reply;
  };
  const Case cases[] = {
      {"serial.send", R"({"payload":{"message":"请先打开工作台再进行设备通信。","requestId":"h"},"type":"serial.send.error"})"},
      {"modbus.read", R"({"payload":{"message":"请先打开工作台再进行设备通信。","requestId":"h"},"type":"modbus.read.error"})"},
      // poll and stop pass the gate while the workbench is hidden.
      {"modbus.poll", R"({"payload":{"logs":[],"requestId":"h","snapshot":{"error":"","pending":false,"result":null,"state":"stopped","transport":"tcp"}},"type":"modbus.poll.result"})"},
      {"mqtt.stop",
       R"({"payload":{"requestId":"h","snapshot":{"brokerHost":"127.0.0.1","brokerPort":1883,"clientId":"stardo-client",)"
       R"("lastError":"","rxBytes":0,"rxMessages":0,"sessionPresent":false,"state":"stopped","subscriptions":[],)"
       R"("tls":false,"txBytes":0,"txMessages":0}},"type":"mqtt.stop.result"})"},
      {"software.list", R"({"payload":{"message":"请在已打开的工作台中操作软件卸载工具。","requestId":"h"},"type":"software.list.error"})"},
      // Cancelling a scan passes the software gate while hidden.
      {"software.scan.cancel", R"({"payload":{"requestId":"h"},"type":"software.scan.cancel.result"})"},
  };
  for (const Case& c : cases) {
    harness_.DashboardView().ClearPosted();
    harness_.FromDashboard(R"({"type":")" + c.type + R"(","payload":{"requestId":"h"}})");
    EXPECT_EQ(harness_.DashboardView().Posted(), std::vector<std::string>{c.reply}) << c.type;
  }
}

TEST_F(DispatcherTest, AppQuitDestroysBothWindows) {
  harness_.FromDashboard(R"({"type":"app.quit"})");
  EXPECT_TRUE(harness_.app().IsShuttingDown());
  EXPECT_EQ(harness_.app().PetWindow()->Handle(), nullptr);
}

}  // namespace
}  // namespace nubo
