#pragma once

#include <windows.h>

// Names and numbers shared by the two windows and the application.
namespace nubo {

inline constexpr wchar_t kWindowClassName[] = L"NuboDesktopPet.WebViewWindow";
inline constexpr wchar_t kAppCaption[] = L"星朵助手";
inline constexpr UINT kTrayCallbackMessage = WM_APP + 42;
inline constexpr int kAppIconResource = 101;

inline constexpr UINT_PTR kTickTimerId = 1;
inline constexpr UINT kTickTimerMs = 1000;
inline constexpr UINT_PTR kPresentationTimerId = 2;

// Private virtual host names under which the front end and the custom
// character pictures are served.
inline constexpr wchar_t kUiHost[] = L"ui.nubo.example";
inline constexpr wchar_t kCharactersHost[] = L"characters.nubo.example";
inline constexpr char kUiHostUtf8[] = "ui.nubo.example";
inline constexpr char kCharactersHostUtf8[] = "characters.nubo.example";
inline constexpr wchar_t kAppOrigin[] = L"https://ui.nubo.example/";
inline constexpr wchar_t kPetStartPage[] = L"https://ui.nubo.example/index.html?mode=pet";
inline constexpr wchar_t kDashboardStartPage[] = L"https://ui.nubo.example/index.html?mode=dashboard";

inline constexpr wchar_t kStepInitialize[] = L"初始化 WebView2";
inline constexpr wchar_t kStepEnvironment[] = L"创建 WebView2 环境";
inline constexpr wchar_t kStepController[] = L"创建 WebView2 控件";
inline constexpr wchar_t kWebViewErrorFormat[] =
    L"%ls失败（HRESULT 0x%08X）。\n请确认已安装 WebView2 Runtime。";

inline constexpr char kPresentationEndedMessage[] = "{\"type\":\"presentation.ended\"}";
inline constexpr char kMenuClosedMessage[] =
    "{\"type\":\"pet.menu.layout\",\"payload\":{\"open\":false,\"placement\":\"above\"}}";

}  // namespace nubo
