#include <gtest/gtest.h>

#include "tests/support/app_harness.h"
#include "tests/support/case_name.h"
#include "tests/support/window_rect.h"
#include "windows/window_constants.h"

namespace nubo {
namespace {

using testing::AppHarness;

using testing::WindowRect;

TEST(BrowserWindow, PetIsABorderlessTopmostToolWindowInTheCorner) {
  AppHarness harness;
  harness.Start();
  const HWND pet = harness.PetHandle();
  EXPECT_EQ(GetWindowLongPtrW(pet, GWL_STYLE) & (WS_POPUP | WS_CAPTION), WS_POPUP);
  const LONG_PTR exStyle = GetWindowLongPtrW(pet, GWL_EXSTYLE);
  EXPECT_TRUE(exStyle & WS_EX_TOPMOST);
  EXPECT_TRUE(exStyle & WS_EX_TOOLWINDOW);
  wchar_t title[64] = {};
  GetWindowTextW(pet, title, 64);
  EXPECT_STREQ(title, L"可爱朵朵");
  wchar_t className[64] = {};
  GetClassNameW(pet, className, 64);
  EXPECT_STREQ(className, L"NuboDesktopPet.WebViewWindow");
  // 320 x 360 at 96 dpi, 18 pixels from the right and bottom of 1024 x 768.
  const RECT rect = WindowRect(pet);
  EXPECT_EQ(rect.left, 1024 - 320 - 18);
  EXPECT_EQ(rect.top, 768 - 360 - 18);
  EXPECT_EQ(rect.right - rect.left, 320);
  EXPECT_EQ(rect.bottom - rect.top, 360);
  EXPECT_TRUE(IsWindowVisible(pet));
}

TEST(BrowserWindow, DashboardIsCentredWithMinimumTrackingSize) {
  AppHarness harness;
  harness.Start();
  harness.app().ShowDashboard();
  harness.WaitForBrowsers();
  const HWND dashboard = harness.DashboardHandle();
  EXPECT_EQ(GetWindowLongPtrW(dashboard, GWL_STYLE) & WS_OVERLAPPEDWINDOW, WS_OVERLAPPEDWINDOW);
  EXPECT_TRUE(GetWindowLongPtrW(dashboard, GWL_EXSTYLE) & WS_EX_APPWINDOW);
  wchar_t title[64] = {};
  GetWindowTextW(dashboard, title, 64);
  EXPECT_STREQ(title, L"星朵助手");
  const RECT rect = WindowRect(dashboard);
  EXPECT_EQ(rect.right - rect.left, 976);
  EXPECT_EQ(rect.bottom - rect.top, 720);
  EXPECT_EQ(rect.left, 24);
  EXPECT_EQ(rect.top, 24);

  MINMAXINFO info{};
  SendMessageW(dashboard, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(info.ptMinTrackSize.x, 760);
  EXPECT_EQ(info.ptMinTrackSize.y, 560);
}

TEST(BrowserWindow, SavedPositionBeyondTheRightEdgeKeepsThePetOnTheMonitor) {
  AppHarness harness;
  harness.PreStoreSetting("pet.x", "5000");
  harness.PreStoreSetting("pet.y", "100");
  harness.Start();
  const RECT rect = WindowRect(harness.PetHandle());
  EXPECT_EQ(rect.right, 1024);
  EXPECT_EQ(rect.top, 100);
}

TEST(BrowserWindow, SavedPositionLeftOfTheMonitorStartsAtItsEdge) {
  AppHarness harness;
  harness.PreStoreSetting("pet.x", "-400");
  harness.PreStoreSetting("pet.y", "-20");
  harness.Start();
  const RECT rect = WindowRect(harness.PetHandle());
  EXPECT_EQ(rect.left, 0);
  EXPECT_EQ(rect.top, 0);
}

TEST(BrowserWindow, SetsUpTheBrowserOfEachKind) {
  AppHarness harness;
  harness.Start();
  harness.app().ShowDashboard();
  harness.WaitForBrowsers();
  const std::wstring dataFolder = harness.AppFolder() + L"\\WebView2";
  ASSERT_EQ(harness.browser.userDataFolders.size(), 2u);
  EXPECT_EQ(harness.browser.userDataFolders[0], dataFolder);
  EXPECT_EQ(harness.browser.controllerRequests[harness.PetHandle()], "background:00000000");
  EXPECT_EQ(harness.browser.controllerRequests[harness.DashboardHandle()], "plain");

  for (HWND window : {harness.PetHandle(), harness.DashboardHandle()}) {
    testing::ScriptedView& view = *harness.browser.ViewOf(window);
    EXPECT_EQ(view.settingsCalls,
              (std::vector<std::string>{"statusBar=0", "contextMenus=0", "devTools=0"}));
    ASSERT_EQ(view.mappings.size(), 2u);
    EXPECT_EQ(view.mappings[0].host, L"ui.nubo.example");
    EXPECT_EQ(view.mappings[0].folder, harness.ProgramFolder() + L"\\ui");
    EXPECT_EQ(view.mappings[0].access, HostResourceAccess::DenyCors);
    EXPECT_EQ(view.mappings[1].host, L"characters.nubo.example");
    EXPECT_EQ(view.mappings[1].folder, harness.AppFolder() + L"\\Characters");
    EXPECT_EQ(view.mappings[1].access, HostResourceAccess::Allow);
  }
  EXPECT_EQ(harness.PetView().navigations,
            std::vector<std::wstring>{L"https://ui.nubo.example/index.html?mode=pet"});
  EXPECT_EQ(harness.DashboardView().navigations,
            std::vector<std::wstring>{L"https://ui.nubo.example/index.html?mode=dashboard"});
  // The pet's background is made transparent again once the controller exists.
  EXPECT_EQ(harness.browser.ControllerOf(harness.PetHandle())->backgroundColors,
            std::vector<uint32_t>{0});
  EXPECT_TRUE(harness.browser.ControllerOf(harness.DashboardHandle())->backgroundColors.empty());
  // The browser fills the client area and follows the window's visibility
  // (the pet hides while the workbench is on screen).
  RECT client{};
  GetClientRect(harness.DashboardHandle(), &client);
  const RECT bounds = harness.browser.ControllerOf(harness.DashboardHandle())->bounds;
  EXPECT_EQ(bounds.right, client.right);
  EXPECT_EQ(bounds.bottom, client.bottom);
  EXPECT_TRUE(harness.browser.ControllerOf(harness.DashboardHandle())->visible);
  EXPECT_FALSE(harness.browser.ControllerOf(harness.PetHandle())->visible);
}

TEST(BrowserWindow, RuntimeWithoutOptionalInterfacesUsesThePlainPath) {
  AppHarness harness;
  harness.browser.offerControllerOptions = false;
  harness.browser.offerBackgroundColor = false;
  harness.browser.offerHostMapping = false;
  harness.Start();
  EXPECT_EQ(harness.browser.controllerRequests[harness.PetHandle()], "plain");
  EXPECT_TRUE(harness.PetView().mappings.empty());
  EXPECT_EQ(harness.PetView().navigations.size(), 1u);
}

struct OriginCase {
  const char* name;
  const wchar_t* source;
  bool delivered;
};

class OriginFilter : public ::testing::TestWithParam<OriginCase> {};

TEST_P(OriginFilter, OnlyTheAppOriginReachesTheDispatcher) {
  AppHarness harness;
  harness.Start();
  const HRESULT result = harness.PetView().InjectWebMessage(GetParam().source, L"{\"type\":\"app.ready\"}");
  EXPECT_EQ(result, S_OK);
  EXPECT_EQ(harness.PetView().PostedOfType("state.sync").size(), GetParam().delivered ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    IsAppOriginUri, OriginFilter,
    ::testing::Values(
        OriginCase{"page", L"https://ui.nubo.example/index.html?mode=pet", true},
        OriginCase{"root", L"https://ui.nubo.example/", true},
        OriginCase{"no_trailing_slash", L"https://ui.nubo.example", false},
        OriginCase{"characters_host", L"https://characters.nubo.example/character-1.png", false},
        OriginCase{"plain_http", L"http://ui.nubo.example/index.html", false},
        OriginCase{"upper_case_host", L"https://UI.nubo.example/index.html", false},
        OriginCase{"longer_host", L"https://ui.nubo.example.evil/index.html", false},
        OriginCase{"other_site", L"https://example.com/", false}),
    testing::CaseName());

TEST(BrowserWindow, MessagesWithoutAReadableSourceOrBodyAreDropped) {
  AppHarness harness;
  harness.Start();
  EXPECT_EQ(harness.PetView().InjectUnreadableSource(L"{\"type\":\"app.ready\"}"), S_OK);
  EXPECT_EQ(harness.PetView().InjectWebMessage(L"https://ui.nubo.example/", L""), S_OK);
  EXPECT_TRUE(harness.PetView().Posted().empty());
}

TEST(BrowserWindow, NavigationLeavesOnlyForTheAppOrigin) {
  AppHarness harness;
  harness.Start();
  testing::ScriptedView& view = harness.PetView();
  EXPECT_FALSE(view.AttemptNavigation(L"https://ui.nubo.example/index.html?mode=pet#menu"));
  EXPECT_TRUE(view.AttemptNavigation(L"https://example.com/"));
  EXPECT_TRUE(view.AttemptNavigation(L"https://characters.nubo.example/x.png"));
  EXPECT_TRUE(view.AttemptNavigation(L"file:///C:/windows/win.ini"));
  EXPECT_TRUE(view.AttemptNavigation(L"https://ui.nubo.example"));
}

TEST(BrowserWindow, PostingBeforeTheBrowserIsReadyDoesNothing) {
  AppHarness harness;
  harness.Build();
  WebViewWindow window(harness.app(), WindowKind::Dashboard);
  ASSERT_TRUE(window.Create(GetModuleHandleW(nullptr)));
  EXPECT_FALSE(window.IsBrowserReady());
  window.PostJson("{\"type\":\"state.sync\"}");  // no browser yet: nothing happens
  harness.PumpUntil([&] { return window.IsBrowserReady(); });
  ASSERT_TRUE(window.IsBrowserReady());
  EXPECT_TRUE(harness.browser.ViewOf(window.Handle())->Posted().empty());
}

struct SetupFailureCase {
  const char* name;
  HRESULT loader;
  HRESULT environment;
  HRESULT controller;
  const wchar_t* text;
};

class SetupFailure : public ::testing::TestWithParam<SetupFailureCase> {};

TEST_P(SetupFailure, ShowsTheStepAndKeepsRunningWithoutABrowser) {
  AppHarness harness;
  harness.browser.failLoaderCall = GetParam().loader;
  harness.browser.failEnvironment = GetParam().environment;
  harness.browser.failController = GetParam().controller;
  harness.Start();
  harness.Pump();
  ASSERT_EQ(harness.shell.boxes.size(), 1u);
  EXPECT_EQ(harness.shell.boxes[0].text, GetParam().text);
  EXPECT_EQ(harness.shell.boxes[0].caption, L"星朵助手");
  EXPECT_EQ(harness.shell.boxes[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
  EXPECT_EQ(harness.shell.boxes[0].owner, harness.PetHandle());
  EXPECT_FALSE(harness.app().PetWindow()->IsBrowserReady());
  EXPECT_TRUE(IsWindowVisible(harness.PetHandle()));
  EXPECT_TRUE(harness.app().PetWindow()->Handle() != nullptr);
  // Messages to a window without a browser go nowhere, and nothing fails.
  harness.app().SendStateSync(nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    ShowWebViewError, SetupFailure,
    ::testing::Values(
        SetupFailureCase{"loader", HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), S_OK, S_OK,
                         L"初始化 WebView2失败（HRESULT 0x80070002）。\n请确认已安装 WebView2 Runtime。"},
        SetupFailureCase{"environment", S_OK, E_ACCESSDENIED, S_OK,
                         L"创建 WebView2 环境失败（HRESULT 0x80070005）。\n请确认已安装 WebView2 Runtime。"},
        SetupFailureCase{"controller", S_OK, S_OK, E_FAIL,
                         L"创建 WebView2 控件失败（HRESULT 0x80004005）。\n请确认已安装 WebView2 Runtime。"}),
    testing::CaseName());

TEST(BrowserWindow, ClosingTheDashboardHidesItAndKeepsItsBrowser) {
  AppHarness harness;
  harness.Start();
  harness.app().ShowDashboard();
  harness.WaitForBrowsers();
  const HWND dashboard = harness.DashboardHandle();
  SendMessageW(dashboard, WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindow(dashboard));
  EXPECT_FALSE(IsWindowVisible(dashboard));
  EXPECT_FALSE(harness.browser.ControllerOf(dashboard)->visible);
  harness.app().ShowDashboard();
  EXPECT_EQ(harness.DashboardHandle(), dashboard);
  EXPECT_TRUE(IsWindowVisible(dashboard));
  EXPECT_TRUE(harness.browser.ControllerOf(dashboard)->visible);
}

TEST(BrowserWindow, ClosingThePetQuitsWithCodeZero) {
  AppHarness harness;
  harness.Start();
  const HWND pet = harness.PetHandle();
  harness.app().ShowDashboard();
  harness.WaitForBrowsers();
  const HWND dashboard = harness.DashboardHandle();
  SendMessageW(pet, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(pet));
  EXPECT_FALSE(IsWindow(dashboard));
  EXPECT_TRUE(harness.app().IsShuttingDown());
  MSG message{};
  ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(message.wParam, 0u);
  // The tray icon went first.
  ASSERT_FALSE(harness.shell.notifications.empty());
  EXPECT_EQ(harness.shell.notifications.back().first, static_cast<DWORD>(NIM_DELETE));
}

TEST(BrowserWindow, PetOwnsTheTickTimer) {
  AppHarness::Options options;
  options.keepTickTimer = true;
  AppHarness harness(options);
  harness.Start();
  // The timer exists on the pet: killing it succeeds once, then fails.
  EXPECT_TRUE(KillTimer(harness.PetHandle(), kTickTimerId));
  EXPECT_FALSE(KillTimer(harness.PetHandle(), kTickTimerId));
}

}  // namespace
}  // namespace nubo
