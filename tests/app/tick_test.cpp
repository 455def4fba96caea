#include <gtest/gtest.h>

#include "tests/support/app_harness.h"
#include "store/text_convert.h"
#include "tests/support/case_name.h"

#include <sqlite3.h>

namespace nubo {
namespace {

using testing::AppHarness;

class TickTest : public ::testing::Test {
 protected:
  void SetUp() override {
    harness_.Start();
    harness_.app().ShowDashboard();
    harness_.WaitForBrowsers();
    harness_.log.Clear();
    harness_.shell.notifications.clear();
  }
  AppHarness harness_;
};

TEST_F(TickTest, TwoDueRemindersAreAnnouncedInDueOrderWithOneStatePush) {
  harness_.app().Store().CreateReminder("second", 2000, "none", "normal");
  harness_.app().Store().CreateReminder("first", 1000, "none", "urgent");
  harness_.app().OnTick();
  EXPECT_EQ(harness_.log.Entries(),
            (std::vector<std::string>{"beep 48", "balloon first", "pet <- reminder.triggered",
                                      "dashboard <- reminder.triggered", "beep 64", "balloon second",
                                      "pet <- reminder.triggered", "dashboard <- reminder.triggered",
                                      "pet <- state.sync", "dashboard <- state.sync"}));
  const auto triggered = testing::ParsedPosts(harness_.PetView());
  EXPECT_EQ(triggered[0]["payload"]["title"], "first");
  EXPECT_EQ(triggered[0]["payload"]["notified"], false);
  EXPECT_EQ(triggered[1]["payload"]["title"], "second");
  // The second presentation replaced the first and the pet shows it.
  EXPECT_TRUE(harness_.app().PetWindow()->IsPresenting());
  EXPECT_TRUE(IsWindowVisible(harness_.PetHandle()));

  harness_.log.Clear();
  harness_.app().OnTick();  // nothing is due twice
  EXPECT_TRUE(harness_.log.Entries().empty());
}

TEST_F(TickTest, BalloonCarriesTheNameTitleAndFlags) {
  harness_.app().Store().CreateReminder("喝水", 1000, "none", "important");
  harness_.app().OnTick();
  ASSERT_EQ(harness_.shell.notifications.size(), 1u);
  const auto& [message, data] = harness_.shell.notifications[0];
  EXPECT_EQ(message, static_cast<DWORD>(NIM_MODIFY));
  EXPECT_EQ(data.uFlags, static_cast<UINT>(NIF_INFO));
  EXPECT_EQ(data.dwInfoFlags, 0x91u);
  EXPECT_STREQ(data.szInfoTitle, L"可爱朵朵提醒你");
  EXPECT_STREQ(data.szInfo, L"喝水");
}

TEST_F(TickTest, LongTitlesAreCutToTheBalloon) {
  harness_.app().Store().CreateReminder(std::string(300, 'x'), 1000, "none", "normal");
  harness_.app().OnTick();
  EXPECT_EQ(std::wstring(harness_.shell.notifications.at(0).second.szInfo), std::wstring(255, L'x'));
}

TEST_F(TickTest, SpeechSaysNameAndTitleAndSoundOffMeansNoBeep) {
  harness_.FromDashboard(R"({"type":"settings.update","payload":{"soundEnabled":false,"speechEnabled":true}})");
  harness_.app().Store().CreateReminder("开会", 1000, "none", "urgent");
  harness_.app().OnTick();
  EXPECT_TRUE(harness_.shell.beeps.empty());
  EXPECT_EQ(harness_.shell.spoken, std::vector<std::wstring>{L"可爱朵朵提醒你，开会"});
}

TEST_F(TickTest, MissingVoiceIsSilent) {
  harness_.shell.voiceAvailable = false;
  harness_.FromDashboard(R"({"type":"settings.update","payload":{"speechEnabled":true}})");
  harness_.app().Store().CreateReminder("开会", 1000, "none", "normal");
  harness_.app().OnTick();
  EXPECT_TRUE(harness_.shell.spoken.empty());
  EXPECT_EQ(harness_.shell.beeps, std::vector<UINT>{MB_ICONASTERISK});
}

TEST_F(TickTest, StoreFailureBecomesOneErrorToBothWindows) {
  harness_.app().Store().CreateReminder("x", 1000, "none", "normal");
  // Another connection holds the write lock, so the claim cannot begin.
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(nubo::Utf16ToUtf8(harness_.AppFolder() + L"\\tavu.db").c_str(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE;", nullptr, nullptr, nullptr), SQLITE_OK);
  harness_.app().OnTick();
  sqlite3_exec(other, "ROLLBACK;", nullptr, nullptr, nullptr);
  sqlite3_close(other);
  EXPECT_EQ(harness_.log.Entries(),
            (std::vector<std::string>{"pet <- app.error", "dashboard <- app.error"}));
  EXPECT_EQ(harness_.PetView().PostedOfType("app.error"),
            std::vector<std::string>{R"({"payload":{"message":"database is locked"},"type":"app.error"})"});
  // The next tick runs normally.
  harness_.log.Clear();
  harness_.app().OnTick();
  EXPECT_EQ(harness_.PetView().PostedOfType("reminder.triggered").size(), 1u);
}

}  // namespace
}  // namespace nubo
