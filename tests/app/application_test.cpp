#include <gtest/gtest.h>

#include "app/startup_failure.h"
#include "app/tray_menu.h"
#include "store/file_utils.h"
#include "tests/support/app_harness.h"
#include "tests/support/case_name.h"
#include "windows/window_constants.h"

namespace nubo {
namespace {

using testing::AppHarness;

std::string Repeat(const std::string& piece, int count) {
  std::string out;
  for (int i = 0; i < count; ++i) out += piece;
  return out;
}

nlohmann::json StateOf(AppHarness& harness) { return harness.app().BuildStatePayload(); }

TEST(VisibilityRule, PresentingWinsElseDashboardOrHiddenHides) {
  EXPECT_TRUE(ShouldShowPetWindow(false, false, false));
  EXPECT_FALSE(ShouldShowPetWindow(true, false, false));
  EXPECT_FALSE(ShouldShowPetWindow(false, true, false));
  EXPECT_FALSE(ShouldShowPetWindow(true, true, false));
  EXPECT_TRUE(ShouldShowPetWindow(true, true, true));
  EXPECT_TRUE(ShouldShowPetWindow(false, true, true));
}

struct StoredCase {
  const char* name;
  std::string key;
  std::string value;
  std::string member;
  nlohmann::json expected;
};

class StoredSettings : public ::testing::TestWithParam<StoredCase> {};

TEST_P(StoredSettings, AreTakenOnlyWhenValid) {
  AppHarness harness;
  harness.PreStoreSetting(GetParam().key, GetParam().value);
  harness.Build();
  EXPECT_EQ(StateOf(harness)[GetParam().member], GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    GuardedRead, StoredSettings,
    ::testing::Values(
        StoredCase{"name_16_cjk", "pet.name", Repeat("朵", 16), "petName", Repeat("朵", 16)},
        StoredCase{"name_17_cjk", "pet.name", Repeat("朵", 17), "petName", "可爱朵朵"},
        StoredCase{"name_blank", "pet.name", "   ", "petName", "可爱朵朵"},
        StoredCase{"name_tab", "pet.name", "a\tb", "petName", "可爱朵朵"},
        StoredCase{"name_not_utf8", "pet.name", "\xC0\xAF\xC0\xAF", "petName", "可爱朵朵"},
        StoredCase{"sound_false_text", "audio.sound", "false", "soundEnabled", true},
        StoredCase{"sound_zero", "audio.sound", "0", "soundEnabled", false},
        StoredCase{"speech_true_text", "audio.speech", "true", "speechEnabled", false},
        StoredCase{"speech_one", "audio.speech", "1", "speechEnabled", true},
        StoredCase{"theme", "workspace.theme", "rose", "workspaceTheme", "rose"},
        StoredCase{"theme_unknown", "workspace.theme", "dark", "workspaceTheme", "warm"},
        StoredCase{"text_size", "workspace.textSize", "large", "workspaceTextSize", "large"},
        StoredCase{"open_last_view_zero", "workspace.openLastView", "0", "openLastView", false},
        StoredCase{"open_last_view_other", "workspace.openLastView", "no", "openLastView", true},
        StoredCase{"last_view", "workspace.lastView", "status", "lastDashboardView", "status"},
        StoredCase{"last_view_unknown", "workspace.lastView", "games", "lastDashboardView", "today"},
        StoredCase{"category", "workspace.lastCategory", "network", "lastToolCategory", "network"},
        StoredCase{"shortcuts", "workspace.shortcuts",
                   R"({"financeWebsiteUrl":"https://bank.example/","learningWebsiteUrl":7})",
                   "financeWebsiteUrl", "https://bank.example/"},
        StoredCase{"shortcuts_bad_address", "workspace.shortcuts",
                   R"({"financeWebsiteUrl":"ftp://bank.example/"})", "financeWebsiteUrl", ""},
        StoredCase{"shortcuts_not_json", "workspace.shortcuts", "{", "learningWebsiteUrl", ""}),
    testing::CaseName());

TEST(StoredSettingsRead, MarketplaceOpensTheToolboxWithoutCategory) {
  AppHarness harness;
  harness.PreStoreSetting("workspace.lastView", "marketplace");
  harness.PreStoreSetting("workspace.lastCategory", "data");
  harness.Build();
  EXPECT_EQ(StateOf(harness)["lastDashboardView"], "toolbox");
  EXPECT_EQ(StateOf(harness)["lastToolCategory"], "");
}

TEST(StoredSettingsRead, BadPositionFallsBackToDefaultsButKeepsEarlierSettings) {
  AppHarness::Options options;
  options.packagedPicture = true;
  AppHarness harness(options);
  harness.PreStoreSetting("pet.name", "小白");
  harness.PreStoreSetting("pet.x", "abc");
  harness.PreStoreSetting("pet.y", "10");
  harness.Build();
  EXPECT_FALSE(harness.app().HasPetPosition());
  EXPECT_EQ(StateOf(harness)["petName"], "小白");
  EXPECT_EQ(StateOf(harness)["activeCharacterId"], "builtin-girl");
  EXPECT_EQ(StateOf(harness)["characters"].size(), 2u);
}

TEST(StoredSettingsRead, PositionNeedsBothKeysAndReadsLikeStoi) {
  {
    AppHarness harness;
    harness.PreStoreSetting("pet.x", "  -12px");
    harness.PreStoreSetting("pet.y", "+34");
    harness.Build();
    ASSERT_TRUE(harness.app().HasPetPosition());
    EXPECT_EQ(harness.app().PetPosition().x, -12);
    EXPECT_EQ(harness.app().PetPosition().y, 34);
  }
  {
    AppHarness harness;
    harness.PreStoreSetting("pet.x", "12");
    harness.Build();
    EXPECT_FALSE(harness.app().HasPetPosition());
  }
  {
    AppHarness harness;
    harness.PreStoreSetting("pet.x", "4294967296");
    harness.PreStoreSetting("pet.y", "1");
    harness.Build();
    EXPECT_FALSE(harness.app().HasPetPosition());
  }
}

TEST(StateSync, CharactersListThePackagedPictureFirstWhenItShips) {
  AppHarness plain;
  plain.Build();
  EXPECT_EQ(StateOf(plain)["characters"],
            nlohmann::json::parse(R"([{"builtIn":true,"id":"builtin","imageUrl":"https://ui.nubo.example/assets/nubo-sprite.png","layout":"sheet","name":"经典小鼠"}])"));
  EXPECT_EQ(StateOf(plain)["activeCharacterId"], "builtin");
  EXPECT_EQ(StateOf(plain)["reminders"], nlohmann::json::array());

  AppHarness::Options options;
  options.packagedPicture = true;
  AppHarness packaged(options);
  packaged.Build();
  const auto characters = StateOf(packaged)["characters"];
  ASSERT_EQ(characters.size(), 2u);
  EXPECT_EQ(characters[0]["id"], "builtin-girl");
  EXPECT_EQ(characters[0]["name"], "粉色朵朵");
  EXPECT_EQ(characters[0]["imageUrl"], "https://ui.nubo.example/assets/private-default-girl.png");
  EXPECT_EQ(characters[0]["layout"], "single");
  EXPECT_EQ(characters[1]["id"], "builtin");
}

TEST(StateSync, NowMovesBetweenPushes) {
  AppHarness harness;
  harness.Build();
  const int64_t first = StateOf(harness)["now"];
  Sleep(5);
  const int64_t second = StateOf(harness)["now"];
  EXPECT_GT(second, first);
  EXPECT_NEAR(static_cast<double>(second), static_cast<double>(NowMilliseconds()), 2000.0);
}

TEST(Lifecycle, FirstRunOpensTheWorkbenchAndWritesTheMarker) {
  AppHarness::Options options;
  options.onboarded = false;
  AppHarness harness(options);
  harness.Start();
  EXPECT_TRUE(harness.app().IsFirstRun());
  ASSERT_NE(harness.DashboardHandle(), nullptr);
  EXPECT_TRUE(IsWindowVisible(harness.DashboardHandle()));
  EXPECT_FALSE(IsWindowVisible(harness.PetHandle()));  // hidden while the workbench is shown
  const std::wstring marker = harness.AppFolder() + L"\\onboarding.complete";
  EXPECT_EQ(testing::ReadWholeFile(marker), "CuteTavuDesktopPet 1.0.0");
  harness.Destroy();

  // The next start in the same folder is not a first run.
  harness.Start();
  EXPECT_FALSE(harness.app().IsFirstRun());
  EXPECT_EQ(harness.DashboardHandle(), nullptr);
  EXPECT_TRUE(IsWindowVisible(harness.PetHandle()));
}

TEST(Lifecycle, MissingFrontEndStopsTheStart) {
  AppHarness::Options options;
  options.frontEnd = false;
  AppHarness harness(options);
  harness.Build();
  try {
    harness.app().Start();
    FAIL() << "expected a failure";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "React UI was not found. Run scripts/build to build the app.");
  }
  EXPECT_EQ(harness.app().PetWindow(), nullptr);
}

TEST(Lifecycle, ClosingTheWorkbenchShowsThePetUnlessTheUserHidIt) {
  AppHarness harness;
  harness.Start();
  harness.app().ShowDashboard();
  harness.WaitForBrowsers();
  EXPECT_FALSE(IsWindowVisible(harness.PetHandle()));
  harness.app().HideDashboard();
  EXPECT_TRUE(IsWindowVisible(harness.PetHandle()));

  harness.FromPet(R"({"type":"window.hidePet"})");
  EXPECT_FALSE(IsWindowVisible(harness.PetHandle()));
  harness.app().ShowDashboard();
  harness.app().HideDashboard();
  EXPECT_FALSE(IsWindowVisible(harness.PetHandle()));
}

TEST(Lifecycle, MinimisingTheWorkbenchShowsThePet) {
  AppHarness harness;
  harness.Start();
  harness.app().ShowDashboard();
  harness.WaitForBrowsers();
  ShowWindow(harness.DashboardHandle(), SW_MINIMIZE);
  harness.Pump();
  EXPECT_TRUE(IsWindowVisible(harness.PetHandle()));
}

TEST(Lifecycle, HidingThePetDuringAPresentationEndsIt) {
  AppHarness harness;
  harness.Start();
  harness.app().Store().CreateReminder("stretch", 1000, "none", "normal");
  harness.app().OnTick();
  ASSERT_TRUE(harness.app().PetWindow()->IsPresenting());
  harness.PetView().ClearPosted();
  harness.app().SetPetHidden(true);
  EXPECT_EQ(harness.app().PetWindow()->Phase(), PresentationPhase::Leaving);
  EXPECT_EQ(harness.PetView().PostedOfType("presentation.ended").size(), 1u);
  EXPECT_FALSE(IsWindowVisible(harness.PetHandle()));
}

TEST(Lifecycle, SecondStartHandOverOpensTheWorkbench) {
  AppHarness harness;
  harness.Start();
  // What a second start posts to the first window of the class.
  PostMessageW(harness.PetHandle(), kTrayCallbackMessage, 0, WM_LBUTTONDBLCLK);
  harness.PumpUntil([&] { return harness.DashboardHandle() != nullptr; });
  ASSERT_NE(harness.DashboardHandle(), nullptr);
  EXPECT_TRUE(IsWindowVisible(harness.DashboardHandle()));
}

TEST(Tray, IconIsAddedWithVersionFour) {
  AppHarness harness;
  harness.Start();
  ASSERT_GE(harness.shell.notifications.size(), 2u);
  const auto& [addMessage, added] = harness.shell.notifications[0];
  EXPECT_EQ(addMessage, static_cast<DWORD>(NIM_ADD));
  EXPECT_EQ(added.cbSize, sizeof(NOTIFYICONDATAW));
  EXPECT_EQ(added.hWnd, harness.PetHandle());
  EXPECT_EQ(added.uID, 1u);
  EXPECT_EQ(added.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
  EXPECT_EQ(added.uCallbackMessage, static_cast<UINT>(WM_APP + 42));
  EXPECT_STREQ(added.szTip, L"星朵助手");
  EXPECT_NE(added.hIcon, nullptr);
  EXPECT_EQ(harness.shell.notifications[1].first, static_cast<DWORD>(NIM_SETVERSION));
  EXPECT_EQ(harness.shell.notifications[1].second.uVersion, static_cast<UINT>(NOTIFYICON_VERSION_4));
}

TEST(Tray, FailedAddMeansNoBalloons) {
  AppHarness harness;
  harness.shell.notifySucceeds = false;
  harness.Start();
  harness.app().Store().CreateReminder("stretch", 1000, "none", "normal");
  harness.app().OnTick();
  EXPECT_EQ(harness.shell.notifications.size(), 1u);  // only the failed add
}

TEST(Tray, ClicksOnTheIcon) {
  AppHarness harness;
  harness.Start();
  harness.app().OnTrayMessage(MAKELPARAM(WM_MOUSEMOVE, 1));
  EXPECT_EQ(harness.DashboardHandle(), nullptr);
  harness.app().OnTrayMessage(MAKELPARAM(NIN_BALLOONUSERCLICK, 1));
  ASSERT_NE(harness.DashboardHandle(), nullptr);
  EXPECT_TRUE(IsWindowVisible(harness.DashboardHandle()));
}

struct MenuCase {
  const char* name;
  bool dashboardShown;
  bool petVisible;
  std::wstring petEntry;
  bool greyed;
};

class TrayMenu : public ::testing::TestWithParam<MenuCase> {};

TEST_P(TrayMenu, SecondEntryFollowsTheWindows) {
  const auto items = BuildTrayMenu(L"朵朵", GetParam().dashboardShown, GetParam().petVisible);
  ASSERT_EQ(items.size(), 4u);
  EXPECT_EQ(items[0].id, 1001u);
  EXPECT_EQ(items[0].text, L"打开星朵助手");
  EXPECT_EQ(items[1].id, 1002u);
  EXPECT_EQ(items[1].text, GetParam().petEntry);
  EXPECT_EQ(items[1].greyed, GetParam().greyed);
  EXPECT_EQ(items[2].id, 0u);
  EXPECT_EQ(items[3].id, 1003u);
  EXPECT_EQ(items[3].text, L"退出");
}

INSTANTIATE_TEST_SUITE_P(
    BuildTrayMenu, TrayMenu,
    ::testing::Values(MenuCase{"workbench_on_screen", true, false, L"朵朵会在关闭星朵助手后回来", true},
                      MenuCase{"pet_visible", false, true, L"暂时隐藏朵朵", false},
                      MenuCase{"pet_hidden", false, false, L"显示朵朵", false}),
    testing::CaseName());

}  // namespace
}  // namespace nubo

namespace nubo {
namespace {

// Checks, while the box would be open, that no quit message is waiting.
class QuitCheckingShell final : public testing::RecordingShell {
 public:
  int ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type) override {
    MSG message{};
    quitPendingAtBox = PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != FALSE;
    return RecordingShell::ShowMessageBox(owner, text, caption, type);
  }
  bool quitPendingAtBox = true;
};

TEST(StartupFailure, DropsAPendingQuitBeforeTheBox) {
  // A run step that fails after the pet window exists destroys the
  // application; the pet window's destruction leaves a quit message.
  PostQuitMessage(0);
  QuitCheckingShell shell;
  ShowStartupFailure(shell, "Unable to create the dashboard window.");
  EXPECT_FALSE(shell.quitPendingAtBox);
  ASSERT_EQ(shell.boxes.size(), 1u);
  EXPECT_EQ(shell.boxes[0].text, L"启动失败：\nUnable to create the dashboard window.");
  EXPECT_EQ(shell.boxes[0].caption, L"星朵助手");
  EXPECT_EQ(shell.boxes[0].owner, nullptr);
  EXPECT_EQ(shell.boxes[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
}

TEST(StartupFailure, TextThatIsNotUtf8IsStillShown) {
  QuitCheckingShell shell;
  ShowStartupFailure(shell, "bad \xFF end");
  ASSERT_EQ(shell.boxes.size(), 1u);
  EXPECT_EQ(shell.boxes[0].text, L"启动失败：\nbad \xFFFD end");
}

}  // namespace
}  // namespace nubo
