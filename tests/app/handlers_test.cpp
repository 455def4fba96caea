#include <gtest/gtest.h>

#include "store/file_utils.h"
#include "tests/support/app_harness.h"
#include "tests/support/case_name.h"

namespace nubo {
namespace {

using testing::AppHarness;
using Json = nlohmann::json;

std::string AppError(const std::string& message) {
  return R"({"payload":{"message":")" + message + R"("},"type":"app.error"})";
}

class HandlersTest : public ::testing::Test {
 protected:
  void SetUp() override { harness_.StartWithBothWindows(); }
  void Clear() { harness_.ClearRecords(); }
  std::vector<std::string> Log() const { return harness_.log.Entries(); }
  std::vector<Reminder> Open() { return harness_.app().Store().ListOpenReminders(); }
  std::string Setting(const std::string& key) {
    return harness_.app().Store().GetSetting(key).value_or("<absent>");
  }
  int64_t Present(const std::string& title) {
    const Reminder reminder = harness_.app().Store().CreateReminder(title, 1000, "none", "normal");
    harness_.app().OnTick();
    Clear();
    return reminder.id;
  }

  AppHarness harness_;
};

TEST_F(HandlersTest, CreateStoresThenSyncsThenWaves) {
  harness_.FromDashboard(
      R"({"type":"reminder.create","payload":{"title":"喝水","dueAt":1900000000000,"repeatRule":"weekly","priority":"important"}})");
  ASSERT_EQ(Open().size(), 1u);
  EXPECT_EQ(Open()[0].title, "喝水");
  EXPECT_EQ(Open()[0].repeatRule, "weekly");
  EXPECT_EQ(Open()[0].priority, "important");
  EXPECT_EQ(Log(), (std::vector<std::string>{"pet <- state.sync", "dashboard <- state.sync",
                                             "pet <- pet.action", "dashboard <- pet.action"}));
  EXPECT_EQ(harness_.PetView().PostedOfType("pet.action"),
            std::vector<std::string>{R"({"payload":{"action":"wave"},"type":"pet.action"})"});
}

struct CreateCase {
  const char* name;
  std::string payload;
  bool accepted;
};

class CreateFields : public HandlersTest, public ::testing::WithParamInterface<CreateCase> {};

TEST_P(CreateFields, AreCheckedBeforeAnythingIsStored) {
  harness_.FromPet(R"({"type":"reminder.create","payload":)" + GetParam().payload + "}");
  EXPECT_EQ(Open().size(), GetParam().accepted ? 1u : 0u);
  if (!GetParam().accepted) {
    EXPECT_EQ(harness_.PetView().Posted(), std::vector<std::string>{AppError("请填写有效的事项名称和提醒时间。")});
    EXPECT_TRUE(harness_.DashboardView().Posted().empty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    ReminderCreate, CreateFields,
    ::testing::Values(
        CreateCase{"defaults", R"({"title":"a","dueAt":5})", true},
        CreateCase{"title_160", R"({"title":")" + std::string(160, 't') + R"(","dueAt":5})", true},
        CreateCase{"title_161", R"({"title":")" + std::string(161, 't') + R"(","dueAt":5})", false},
        CreateCase{"title_empty", R"({"title":"","dueAt":5})", false},
        CreateCase{"due_zero", R"({"title":"a","dueAt":0})", false},
        CreateCase{"due_one", R"({"title":"a","dueAt":1})", true},
        CreateCase{"due_negative", R"({"title":"a","dueAt":-5})", false},
        CreateCase{"due_missing", R"({"title":"a"})", false},
        CreateCase{"due_last_of_9999", R"({"title":"a","dueAt":253402300799999})", true},
        CreateCase{"due_after_9999", R"({"title":"a","dueAt":253402300800000})", false},
        CreateCase{"due_3000_daily", R"({"title":"a","dueAt":32516726400000,"repeatRule":"daily"})", true},
        CreateCase{"due_3001_daily", R"({"title":"a","dueAt":32535302400000,"repeatRule":"daily"})", false},
        CreateCase{"due_huge_float", R"({"title":"a","dueAt":1e300,"repeatRule":"daily"})", false},
        CreateCase{"due_uint64_max", R"({"title":"a","dueAt":18446744073709551615,"repeatRule":"daily"})", false},
        CreateCase{"due_fraction", R"({"title":"a","dueAt":1900000000000.5})", false},
        CreateCase{"due_text", R"({"title":"a","dueAt":"1900000000000"})", false},
        CreateCase{"rule_unknown", R"({"title":"a","dueAt":5,"repeatRule":"monthly"})", false},
        CreateCase{"priority_unknown", R"({"title":"a","dueAt":5,"priority":"low"})", false}),
    testing::CaseName());

TEST_F(HandlersTest, CompleteAnnouncesBeepsDismissesThePresentationThenSyncs) {
  const int64_t id = Present("stretch");
  ASSERT_TRUE(harness_.app().PetWindow()->IsPresenting());
  harness_.FromPet(R"({"type":"reminder.complete","payload":{"id":)" + std::to_string(id) + "}}");
  EXPECT_EQ(Log(), (std::vector<std::string>{"pet <- reminder.completed", "dashboard <- reminder.completed",
                                             "beep 0", "pet <- reminder.dismissed",
                                             "dashboard <- reminder.dismissed", "pet <- state.sync",
                                             "dashboard <- state.sync"}));
  EXPECT_EQ(harness_.app().PetWindow()->Phase(), PresentationPhase::Leaving);
  EXPECT_TRUE(harness_.PetView().PostedOfType("presentation.ended").empty());
  EXPECT_TRUE(Open().empty());

  // Completing it again: no presentation to dismiss any more.
  Clear();
  harness_.FromPet(R"({"type":"reminder.complete","payload":{"id":)" + std::to_string(id) + "}}");
  EXPECT_EQ(Log(), (std::vector<std::string>{"pet <- reminder.completed", "dashboard <- reminder.completed",
                                             "beep 0", "pet <- state.sync", "dashboard <- state.sync"}));
}

TEST_F(HandlersTest, DeleteDismissesOnlyThePresentedReminder) {
  const Reminder other = harness_.app().Store().CreateReminder("other", 1'900'000'000'000, "none", "normal");
  const int64_t id = Present("stretch");
  harness_.FromPet(R"({"type":"reminder.delete","payload":{"id":)" + std::to_string(other.id) + "}}");
  EXPECT_EQ(Log(), (std::vector<std::string>{"pet <- state.sync", "dashboard <- state.sync"}));
  EXPECT_TRUE(harness_.app().PetWindow()->IsPresenting());
  Clear();
  harness_.FromPet(R"({"type":"reminder.delete","payload":{"id":)" + std::to_string(id) + "}}");
  EXPECT_EQ(Log(), (std::vector<std::string>{"pet <- reminder.dismissed", "dashboard <- reminder.dismissed",
                                             "pet <- state.sync", "dashboard <- state.sync"}));
  EXPECT_EQ(harness_.app().PetWindow()->Phase(), PresentationPhase::Leaving);
  EXPECT_TRUE(Open().empty());
}

struct SnoozeCase {
  const char* name;
  std::string minutes;  // JSON member text, empty for none
  int64_t expectedMinutes;
};

class Snooze : public HandlersTest, public ::testing::WithParamInterface<SnoozeCase> {};

TEST_P(Snooze, ClampsTheMinutesAndAlwaysDismisses) {
  const int64_t id = Present("stretch");
  const std::string minutes = GetParam().minutes.empty() ? "" : R"(,"minutes":)" + GetParam().minutes;
  const int64_t before = NowMilliseconds();
  harness_.FromPet(R"({"type":"reminder.snooze","payload":{"id":)" + std::to_string(id) + minutes + "}}");
  const int64_t after = NowMilliseconds();
  ASSERT_EQ(Open().size(), 1u);
  EXPECT_GE(Open()[0].dueAt, before + GetParam().expectedMinutes * 60'000);
  EXPECT_LE(Open()[0].dueAt, after + GetParam().expectedMinutes * 60'000);
  EXPECT_FALSE(Open()[0].notified);
  EXPECT_EQ(Log(), (std::vector<std::string>{"pet <- state.sync", "dashboard <- state.sync",
                                             "pet <- reminder.dismissed", "dashboard <- reminder.dismissed"}));
  EXPECT_EQ(harness_.app().PetWindow()->Phase(), PresentationPhase::Leaving);
}

INSTANTIATE_TEST_SUITE_P(ReminderSnooze, Snooze,
                         ::testing::Values(SnoozeCase{"default", "", 5}, SnoozeCase{"zero", "0", 1},
                                           SnoozeCase{"negative", "-30", 1}, SnoozeCase{"ten", "10", 10},
                                           SnoozeCase{"max", "1440", 1440}, SnoozeCase{"over", "5000", 1440},
                                           SnoozeCase{"wraps_in_32_bits", "4294967297", 1440},
                                           SnoozeCase{"huge_float", "1e300", 1440},
                                           SnoozeCase{"fraction", "2.9", 2}),
                         testing::CaseName());

TEST_F(HandlersTest, SnoozeOfAnotherReminderStillSaysDismissed) {
  const Reminder other = harness_.app().Store().CreateReminder("other", 1'900'000'000'000, "none", "normal");
  Present("stretch");
  harness_.FromPet(R"({"type":"reminder.snooze","payload":{"id":)" + std::to_string(other.id) + "}}");
  EXPECT_TRUE(harness_.app().PetWindow()->IsPresenting());
  EXPECT_EQ(harness_.PetView().PostedOfType("reminder.dismissed").size(), 1u);
}

TEST_F(HandlersTest, SettingsUpdateStoresAllSixKeys) {
  harness_.FromDashboard(R"({"type":"settings.update","payload":{"soundEnabled":false}})");
  EXPECT_EQ(Setting("pet.name"), "可爱朵朵");
  EXPECT_EQ(Setting("audio.sound"), "0");
  EXPECT_EQ(Setting("audio.speech"), "0");
  EXPECT_EQ(Setting("workspace.theme"), "warm");
  EXPECT_EQ(Setting("workspace.textSize"), "comfortable");
  EXPECT_EQ(Setting("workspace.openLastView"), "1");
  // The tray tip is set again with the names, then both windows hear of it.
  EXPECT_EQ(Log(), (std::vector<std::string>{"notify 1", "pet <- state.sync", "dashboard <- state.sync"}));

  harness_.FromDashboard(
      R"({"type":"settings.update","payload":{"petName":"朵朵朵朵朵朵朵朵朵朵朵朵朵朵朵朵","workspaceTheme":"rose","workspaceTextSize":"large","openLastView":false,"speechEnabled":true}})");
  EXPECT_EQ(Setting("pet.name"), "朵朵朵朵朵朵朵朵朵朵朵朵朵朵朵朵");
  EXPECT_EQ(Setting("workspace.theme"), "rose");
  EXPECT_EQ(Setting("workspace.textSize"), "large");
  EXPECT_EQ(Setting("workspace.openLastView"), "0");
  EXPECT_EQ(Setting("audio.speech"), "1");
  wchar_t title[64] = {};
  GetWindowTextW(harness_.PetHandle(), title, 64);
  EXPECT_STREQ(title, L"朵朵朵朵朵朵朵朵朵朵朵朵朵朵朵朵");
}

TEST_F(HandlersTest, SettingsUpdateStoresAllOrNothing) {
  harness_.FromDashboard(R"({"type":"settings.update","payload":{"petName":"小白","soundEnabled":false}})");
  const auto stored = harness_.StoredSettings();
  const Json stateBefore = harness_.app().BuildStatePayload();
  harness_.FailWritesOf("audio.speech");
  Clear();
  harness_.FromDashboard(
      R"({"type":"settings.update","payload":{"petName":"小黑","soundEnabled":true,"speechEnabled":true,"workspaceTheme":"rose"}})");
  EXPECT_EQ(harness_.DashboardView().Posted(), std::vector<std::string>{AppError("injected failure")});
  harness_.AllowAllWrites();
  EXPECT_EQ(harness_.StoredSettings(), stored);
  Json stateAfter = harness_.app().BuildStatePayload();
  stateAfter["now"] = stateBefore["now"];
  EXPECT_EQ(stateAfter, stateBefore);
}

struct RefusedSettingsCase {
  const char* name;
  std::string payload;
  std::string reply;
};

class RefusedSettings : public HandlersTest, public ::testing::WithParamInterface<RefusedSettingsCase> {};

TEST_P(RefusedSettings, ChangeNothingAnywhere) {
  const Json stateBefore = harness_.app().BuildStatePayload();
  harness_.FromDashboard(R"({"type":"settings.update","payload":)" + GetParam().payload + "}");
  EXPECT_EQ(harness_.DashboardView().Posted(), std::vector<std::string>{GetParam().reply});
  EXPECT_TRUE(harness_.PetView().Posted().empty());
  Json stateAfter = harness_.app().BuildStatePayload();
  stateAfter["now"] = stateBefore["now"];
  EXPECT_EQ(stateAfter, stateBefore);
  EXPECT_EQ(Setting("pet.name"), "<absent>");
}

INSTANTIATE_TEST_SUITE_P(
    SettingsUpdate, RefusedSettings,
    ::testing::Values(
        RefusedSettingsCase{"name_17_cjk", R"({"petName":"朵朵朵朵朵朵朵朵朵朵朵朵朵朵朵朵朵"})",
                            AppError("名字需要是 1 到 16 个左右的可见字符。")},
        RefusedSettingsCase{"name_blank", R"({"petName":"   "})", AppError("名字需要是 1 到 16 个左右的可见字符。")},
        RefusedSettingsCase{"theme", R"({"petName":"小白","workspaceTheme":"dark"})",
                            AppError("工作台主题或字号设置无效。")},
        RefusedSettingsCase{"text_size", R"({"workspaceTextSize":"huge"})", AppError("工作台主题或字号设置无效。")},
        // A member of the wrong type after a valid name changes nothing either.
        RefusedSettingsCase{"type_error_after_name", R"({"petName":"小白","speechEnabled":1})",
                            AppError("界面发送的数据格式不正确。")},
        RefusedSettingsCase{"name_not_text", R"({"petName":5})", AppError("界面发送的数据格式不正确。")}),
    testing::CaseName());

TEST_F(HandlersTest, NavigationMemory) {
  harness_.FromDashboard(R"({"type":"workspace.navigation.update","payload":{"view":"today"}})");
  EXPECT_EQ(Setting("workspace.lastView"), "today");
  EXPECT_EQ(Setting("workspace.lastCategory"), "");
  harness_.FromDashboard(R"({"type":"workspace.navigation.update","payload":{"view":"toolbox","category":"network"}})");
  EXPECT_EQ(Setting("workspace.lastCategory"), "network");
  EXPECT_TRUE(harness_.DashboardView().Posted().empty());
  harness_.FromDashboard(R"({"type":"workspace.navigation.update","payload":{"view":"shop","category":""}})");
  EXPECT_EQ(harness_.DashboardView().Posted(), std::vector<std::string>{AppError("无法保存未知的工作台页面。")});
  EXPECT_EQ(Setting("workspace.lastView"), "toolbox");
}

struct ShortcutsCase {
  const char* name;
  std::string finance;  // JSON values
  std::string learning;
  std::string message;  // empty when saved
};

class ShortcutsSave : public HandlersTest, public ::testing::WithParamInterface<ShortcutsCase> {};

TEST_P(ShortcutsSave, ValidatesBothAddresses) {
  harness_.FromDashboard(R"({"type":"shortcuts.save","payload":{"requestId":"s-1","financeWebsiteUrl":)" +
                         GetParam().finance + R"(,"learningWebsiteUrl":)" + GetParam().learning + "}}");
  const auto replies = testing::ParsedPosts(harness_.DashboardView());
  ASSERT_FALSE(replies.empty());
  const Json& reply = replies.back();
  EXPECT_EQ(reply["payload"]["requestId"], "s-1");
  if (GetParam().message.empty()) {
    EXPECT_EQ(reply["type"], "shortcuts.save.result");
    EXPECT_EQ(reply["payload"]["financeWebsiteUrl"], Json::parse(GetParam().finance));
    EXPECT_EQ(Log().size(), 3u);  // state.sync to both windows, then the reply
    EXPECT_EQ(Json::parse(Setting("workspace.shortcuts")),
              Json::parse(R"({"financeWebsiteUrl":)" + GetParam().finance + R"(,"learningWebsiteUrl":)" +
                          GetParam().learning + "}"));
  } else {
    EXPECT_EQ(reply["type"], "shortcuts.save.error");
    EXPECT_EQ(reply["payload"]["message"], GetParam().message);
    EXPECT_EQ(Setting("workspace.shortcuts"), "<absent>");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Shortcuts, ShortcutsSave,
    ::testing::Values(
        ShortcutsCase{"both", R"("https://bank.example/")", R"("http://school.example/a")", ""},
        ShortcutsCase{"both_empty", R"("")", R"("")", ""},
        ShortcutsCase{"finance_bad", R"("ftp://bank.example/")", R"("")",
                      "理财网站地址无效：请填写 HTTP 或 HTTPS 网址，不包含账号密码，最多 2048 字节。"},
        ShortcutsCase{"learning_user_info", R"("")", R"("https://me@school.example/")",
                      "学习网站地址无效：请填写 HTTP 或 HTTPS 网址，不包含账号密码，最多 2048 字节。"},
        ShortcutsCase{"not_text", R"(null)", R"("")", "网站地址必须为文本。"}),
    testing::CaseName());

TEST_F(HandlersTest, ShortcutsOpenUsesTheSavedAddressOrTheSettings) {
  harness_.FromDashboard(
      R"({"type":"shortcuts.save","payload":{"requestId":"s","financeWebsiteUrl":"https://bank.example/x?y=1","learningWebsiteUrl":""}})");
  harness_.FromPet(R"({"type":"shortcuts.open","payload":{"shortcut":"finance"}})");
  EXPECT_EQ(harness_.shell.openedUrls, std::vector<std::wstring>{L"https://bank.example/x?y=1"});

  harness_.FromDashboard(R"({"type":"app.ready"})");
  Clear();
  harness_.FromPet(R"({"type":"shortcuts.open","payload":{"shortcut":"learning"}})");
  EXPECT_EQ(harness_.DashboardView().PostedOfType("workspace.shortcuts.open"),
            std::vector<std::string>{R"({"payload":{"shortcut":"learning"},"type":"workspace.shortcuts.open"})"});

  Clear();
  harness_.shell.openUrlSucceeds = false;
  harness_.FromPet(R"({"type":"shortcuts.open","payload":{"shortcut":"finance"}})");
  EXPECT_EQ(harness_.PetView().Posted(), std::vector<std::string>{AppError("无法打开默认浏览器，请检查系统浏览器设置。")});

  Clear();
  harness_.FromPet(R"({"type":"shortcuts.open","payload":{}})");
  EXPECT_EQ(harness_.PetView().Posted(), std::vector<std::string>{AppError("未知的网站快捷入口。")});
}

TEST(ShortcutsOpen, HandEditedInvalidAddressNeverLoadsAndIsNeverOpened) {
  AppHarness harness;
  harness.Start();
  harness.app().Store().PutSetting(
      "workspace.shortcuts",
      R"({"financeWebsiteUrl":"ftp://bank.example/","learningWebsiteUrl":"https://ok.example/"})");
  harness.Destroy();
  harness.Start();
  // Not loaded, the finance address counts as empty: no refusal, nothing opened.
  harness.FromPet(R"({"type":"shortcuts.open","payload":{"shortcut":"finance"}})");
  EXPECT_EQ(harness.PetView().PostedOfType("app.error"), std::vector<std::string>{});
  EXPECT_TRUE(harness.shell.openedUrls.empty());
  harness.FromPet(R"({"type":"shortcuts.open","payload":{"shortcut":"learning"}})");
  EXPECT_EQ(harness.shell.openedUrls, std::vector<std::wstring>{L"https://ok.example/"});
}

TEST_F(HandlersTest, PetActionsReachBothWindows) {
  harness_.FromPet(R"({"type":"pet.action","payload":{"action":"hop"}})");
  EXPECT_EQ(Log(), (std::vector<std::string>{"pet <- pet.action", "dashboard <- pet.action"}));
  for (const char* action : {"idle", "walkLeft", "walkRight", "wave", "sleepy", "petted"}) {
    Clear();
    harness_.FromPet(std::string(R"({"type":"pet.action","payload":{"action":")") + action + R"("}})");
    EXPECT_EQ(Log().size(), 2u) << action;
  }
}

TEST_F(HandlersTest, WindowCommands) {
  harness_.FromPet(R"({"type":"window.hideDashboard"})");
  EXPECT_FALSE(IsWindowVisible(harness_.DashboardHandle()));
  EXPECT_TRUE(IsWindowVisible(harness_.PetHandle()));
  harness_.FromPet(R"({"type":"window.openDashboard"})");
  EXPECT_TRUE(IsWindowVisible(harness_.DashboardHandle()));
  EXPECT_EQ(harness_.DashboardView().PostedOfType("state.sync").size(), 1u);
  harness_.FromDashboard(R"({"type":"window.hidePet"})");
  harness_.FromDashboard(R"({"type":"window.hideDashboard"})");
  EXPECT_FALSE(IsWindowVisible(harness_.PetHandle()));
}

TEST_F(HandlersTest, HidingOrClosingTheWorkbenchStopsTheNetworkSession) {
  const auto state = [&] {
    harness_.DashboardView().ClearPosted();
    harness_.FromDashboard(R"({"type":"network.poll","payload":{"requestId":"p"}})");
    const auto replies = harness_.DashboardView().PostedOfType("network.poll.result");
    return replies.empty() ? Json() : Json::parse(replies.back())["payload"]["snapshot"]["state"];
  };
  for (const bool close : {false, true}) {
    harness_.app().ShowDashboard();
    harness_.FromDashboard(
        R"({"type":"network.start","payload":{"requestId":"s","mode":"udp","localHost":"127.0.0.1",)"
        R"("localPort":0,"remoteHost":"127.0.0.1","remotePort":9,"allowLan":false}})");
    for (int i = 0; i < 300 && state() != "ready"; ++i) Sleep(10);
    ASSERT_EQ(state(), "ready") << close;
    close ? void(SendMessageW(harness_.DashboardHandle(), WM_CLOSE, 0, 0))
          : void(harness_.FromDashboard(R"({"type":"window.hideDashboard"})"));
    EXPECT_FALSE(IsWindowVisible(harness_.DashboardHandle())) << close;
    EXPECT_EQ(state(), "stopped") << close;
  }
}

// The whole road of a reminder through the scripted browser.
TEST(ReminderRoad, CreatedDueClaimedPresentedAndCompleted) {
  AppHarness::Options options;
  options.keepTickTimer = true;
  AppHarness harness(options);
  harness.Start();
  harness.app().ShowDashboard();
  harness.WaitForBrowsers();
  harness.FromPet(R"({"type":"app.ready"})");
  harness.FromDashboard(R"({"type":"app.ready"})");
  const int64_t due = NowMilliseconds() + 1000;
  harness.FromDashboard(R"({"type":"reminder.create","payload":{"title":"喝水","dueAt":)" +
                        std::to_string(due) + "}}");
  ASSERT_TRUE(harness.PumpUntil([&] { return !harness.PetView().PostedOfType("reminder.triggered").empty(); },
                                4000));
  EXPECT_EQ(harness.DashboardView().PostedOfType("reminder.triggered").size(), 1u);
  EXPECT_TRUE(harness.app().PetWindow()->IsPresenting());
  const Json triggered = Json::parse(harness.PetView().PostedOfType("reminder.triggered")[0]);
  const int64_t id = triggered["payload"]["id"];
  harness.FromPet(R"({"type":"reminder.complete","payload":{"id":)" + std::to_string(id) + "}}");
  EXPECT_EQ(harness.app().PetWindow()->Phase(), PresentationPhase::Leaving);
  EXPECT_EQ(harness.DashboardView().PostedOfType("reminder.dismissed").size(), 1u);
  EXPECT_TRUE(harness.app().Store().ListOpenReminders().empty());
}

}  // namespace
}  // namespace nubo
