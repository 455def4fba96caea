#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/app_harness.h"
#include "tests/support/case_name.h"
#include "tests/support/webview2_standin.h"
#include "windows/webview2_runtime.h"

namespace nubo {
namespace {

using testing::PageAction;
using testing::StandInScript;
using Calls = std::vector<std::wstring>;

// The stand-in loader beside this test program: the one the binding loads.
testing::WebView2StandIn& StandIn() {
  static testing::WebView2StandIn* const standIn = [] {
    const HMODULE loader =
        LoadLibraryExW(L"WebView2Loader.dll", nullptr, LOAD_LIBRARY_SEARCH_APPLICATION_DIR);
    const auto access = reinterpret_cast<testing::WebView2StandInAccess>(
        reinterpret_cast<void*>(GetProcAddress(loader, testing::kWebView2StandInAccess)));
    return access != nullptr ? access() : nullptr;
  }();
  return *standIn;
}

long Count(const Calls& calls, const std::wstring& call) {
  return std::count(calls.begin(), calls.end(), call);
}

class WebView2Binding : public ::testing::Test {
 protected:
  explicit WebView2Binding(StandInScript script = {}, testing::AppHarness::Options options = {})
      : harness(options) {
    StandIn().Script(script);
    StandIn().TakeCalls();
    harness.runtime = &runtime;
  }
  // Once the windows are gone, nothing the runtime handed out is left.
  void ExpectAllReleased() {
    harness.Destroy();
    EXPECT_EQ(StandIn().LiveObjects(), 0);
    EXPECT_EQ(StandIn().Registrations(), 0);
    EXPECT_EQ(StandIn().PendingCreations(), 0);
  }
  std::wstring UiMapping() {
    return L"SetVirtualHostNameToFolderMapping ui.nubo.example " + harness.ProgramFolder() + L"\\ui 2";
  }

  WebView2Runtime runtime;
  testing::AppHarness harness;
};

TEST_F(WebView2Binding, SetsUpBothWindowsInOrderAndReleasesEverything) {
  harness.Start();
  const std::wstring app = harness.AppFolder();
  const std::wstring environment = L"CreateCoreWebView2EnvironmentWithOptions (none) " + app + L"\\WebView2";
  auto configured = [&](Calls calls, const wchar_t* mode) {
    calls.insert(calls.end(), {L"get_CoreWebView2", L"get_Settings", L"put_IsStatusBarEnabled 0",
                               L"put_AreDefaultContextMenusEnabled 0", L"put_AreDevToolsEnabled 0"});
    if (std::wstring(mode) == L"pet") calls.push_back(L"put_DefaultBackgroundColor 0,0,0,0");
    calls.insert(calls.end(), {UiMapping(),
                               L"SetVirtualHostNameToFolderMapping characters.nubo.example " + app +
                                   L"\\Characters 1",
                               L"add_WebMessageReceived", L"add_NavigationStarting",
                               L"add_NewWindowRequested",
                               L"Navigate https://ui.nubo.example/index.html?mode=" + std::wstring(mode),
                               L"put_Bounds", L"put_IsVisible 1"});
    return calls;
  };
  EXPECT_EQ(StandIn().TakeCalls(),
            configured({environment, L"CreateCoreWebView2ControllerOptions",
                        L"put_DefaultBackgroundColor 0,0,0,0",
                        L"CreateCoreWebView2ControllerWithOptions"},
                       L"pet"));
  harness.app().ShowDashboard();
  harness.WaitForBrowsers();
  // The pet hides while the workbench is shown.
  EXPECT_EQ(StandIn().TakeCalls(),
            configured({environment, L"put_IsVisible 0", L"CreateCoreWebView2Controller"}, L"dashboard"));

  harness.app().Quit();
  const Calls closing{L"remove_WebMessageReceived", L"remove_NavigationStarting", L"remove_NewWindowRequested",
                      L"Close 0"};
  Calls both = closing;
  both.insert(both.end(), closing.begin(), closing.end());
  EXPECT_EQ(StandIn().TakeCalls(), both);
  ExpectAllReleased();
  EXPECT_TRUE(harness.shell.boxes.empty());
}

TEST_F(WebView2Binding, PageEventsMeetTheWindowsRules) {
  harness.Start();
  StandIn().TakeCalls();
  auto after = [&](PageAction action, const std::wstring& uri, const std::wstring& json = L"") {
    EXPECT_TRUE(StandIn().Page(harness.PetHandle(), action, uri, json));
    harness.Pump();
    return StandIn().TakeCalls();
  };
  const std::wstring ready = L"{\"type\":\"app.ready\"}";
  const Calls answered =
      after(PageAction::PostMessage, L"https://ui.nubo.example/index.html?mode=pet", ready);
  ASSERT_FALSE(answered.empty());
  EXPECT_EQ(answered[0].rfind(L"PostWebMessageAsJson {", 0), 0u);
  EXPECT_NE(answered[0].find(L"\"type\":\"state.sync\""), std::wstring::npos);
  EXPECT_EQ(after(PageAction::PostMessage, L"https://example.com/", ready), Calls{});
  EXPECT_EQ(after(PageAction::Navigate, L"https://ui.nubo.example/index.html?mode=pet#menu"), Calls{});
  EXPECT_EQ(after(PageAction::Navigate, L"https://example.com/"), Calls{L"put_Cancel 1"});
  EXPECT_EQ(after(PageAction::RequestWindow, L"https://ui.nubo.example/index.html"), Calls{L"put_Handled 1"});
  ExpectAllReleased();
}

struct FallbackCase {
  const char* name;
  StandInScript script;
  bool withOptions;
  bool mapped;
};

class WebView2Fallback : public WebView2Binding, public ::testing::WithParamInterface<FallbackCase> {
 protected:
  WebView2Fallback() : WebView2Binding(GetParam().script) {}
};

// Either way the pet's background is made transparent once.
TEST_P(WebView2Fallback, PetUsesWhatTheRuntimeOffers) {
  harness.Start();
  ASSERT_TRUE(harness.app().PetWindow()->IsBrowserReady());
  const Calls calls = StandIn().TakeCalls();
  EXPECT_EQ(Count(calls, L"CreateCoreWebView2ControllerWithOptions"), GetParam().withOptions ? 1 : 0);
  EXPECT_EQ(Count(calls, L"CreateCoreWebView2Controller"), GetParam().withOptions ? 0 : 1);
  EXPECT_EQ(Count(calls, L"put_DefaultBackgroundColor 0,0,0,0"), 1);
  EXPECT_EQ(Count(calls, UiMapping()), GetParam().mapped ? 1 : 0);
  EXPECT_EQ(Count(calls, L"Navigate https://ui.nubo.example/index.html?mode=pet"), 1);
  ExpectAllReleased();
}

INSTANTIATE_TEST_SUITE_P(
    Interfaces, WebView2Fallback,
    ::testing::Values(FallbackCase{"no_environment10", {.environment10 = false}, false, true},
                      FallbackCase{"no_options3", {.controllerOptions3 = false}, false, true},
                      FallbackCase{"no_controller2_or_view3",
                                   {.controller2 = false, .webView3 = false}, true, false}),
    testing::CaseName());

struct FailureCase {
  const char* name;
  const wchar_t* loader;
  StandInScript script;
  const wchar_t* text;
};

class WebView2Failure : public WebView2Binding, public ::testing::WithParamInterface<FailureCase> {
 protected:
  WebView2Failure() : WebView2Binding(GetParam().script) { runtime = WebView2Runtime(GetParam().loader); }
};

TEST_P(WebView2Failure, ShowsTheStepThatFailed) {
  harness.Build().Start();
  harness.PumpUntil([this] { return !harness.shell.boxes.empty(); });
  harness.Pump();
  ASSERT_EQ(harness.shell.boxes.size(), 1u);
  EXPECT_EQ(harness.shell.boxes[0].text, std::wstring(GetParam().text) + L"。\n请确认已安装 WebView2 Runtime。");
  EXPECT_FALSE(harness.app().PetWindow()->IsBrowserReady());
  ExpectAllReleased();
}

constexpr wchar_t kLoader[] = L"WebView2Loader.dll";
INSTANTIATE_TEST_SUITE_P(
    Steps, WebView2Failure,
    ::testing::Values(
        FailureCase{"missing_loader", L"NoWebView2Loader.dll", {},
                    L"初始化 WebView2失败（HRESULT 0x8007007E）"},
        FailureCase{"missing_entry", L"kernel32.dll", {}, L"初始化 WebView2失败（HRESULT 0x8007007F）"},
        FailureCase{"no_runtime", kLoader, {.loaderCall = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)},
                    L"初始化 WebView2失败（HRESULT 0x80070002）"},
        FailureCase{"environment", kLoader, {.environment = E_ACCESSDENIED},
                    L"创建 WebView2 环境失败（HRESULT 0x80070005）"},
        FailureCase{"controller", kLoader, {.controller = E_FAIL},
                    L"创建 WebView2 控件失败（HRESULT 0x80004005）"}),
    testing::CaseName());

class WebView2InFlight : public WebView2Binding {
 protected:
  WebView2InFlight() : WebView2Binding({.holdControllers = true}, {.onboarded = false}) {}
};

// A first run opens the workbench too; the runtime aborts both creations
// from inside DestroyWindow.
TEST_F(WebView2InFlight, QuittingDuringSetUpShowsNothingAndLeavesNothing) {
  harness.Build().Start();
  ASSERT_TRUE(harness.PumpUntil([] { return StandIn().PendingCreations() == 2; }));
  harness.app().Quit();
  harness.Pump();
  EXPECT_TRUE(harness.shell.boxes.empty());
  ExpectAllReleased();
}

}  // namespace
}  // namespace nubo
