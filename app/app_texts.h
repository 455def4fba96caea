#pragma once

#include <string_view>

// User-facing texts and fixed values of the application object.
namespace nubo::app_texts {

inline constexpr std::string_view kUiMissing = "React UI was not found. Run scripts/build to build the app.";
inline constexpr std::string_view kCreateWindowsFailed = "Unable to create the application windows.";
inline constexpr std::string_view kCreateDashboardFailed = "Unable to create the dashboard window.";
inline constexpr wchar_t kComInitFailed[] = L"无法初始化 Windows COM 环境。";
inline constexpr wchar_t kStartupFailedPrefix[] = L"启动失败：\n";
inline constexpr wchar_t kSingleInstanceMutex[] = L"Local\\NuboDesktopPet.Singleton.v1";

inline constexpr std::string_view kToolboxView = "toolbox";
inline constexpr std::string_view kShortcutsView = "shortcuts";
inline constexpr std::string_view kToolboxOpenType = "workspace.toolbox.open";
inline constexpr std::string_view kShortcutsOpenType = "workspace.shortcuts.open";

// Tray menu.
inline constexpr wchar_t kMenuOpen[] = L"打开星朵助手";
inline constexpr wchar_t kMenuBackAfterClose[] = L"会在关闭星朵助手后回来";
inline constexpr wchar_t kMenuHidePrefix[] = L"暂时隐藏";
inline constexpr wchar_t kMenuShowPrefix[] = L"显示";
inline constexpr wchar_t kMenuQuit[] = L"退出";

// Reminder alerts.
inline constexpr wchar_t kSpeechJoin[] = L"提醒你，";
inline constexpr wchar_t kBalloonTitleSuffix[] = L"提醒你";

}  // namespace nubo::app_texts
