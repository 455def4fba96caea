#pragma once

// User-facing texts and fixed values of the application object.
namespace nubo::app_texts {

inline constexpr char kUiMissing[] = "React UI was not found. Run scripts/build to build the app.";
inline constexpr char kCreateWindowsFailed[] = "Unable to create the application windows.";
inline constexpr char kCreateDashboardFailed[] = "Unable to create the dashboard window.";
inline constexpr wchar_t kComInitFailed[] = L"无法初始化 Windows COM 环境。";
inline constexpr wchar_t kStartupFailedPrefix[] = L"启动失败：\n";
inline constexpr wchar_t kSingleInstanceMutex[] = L"Local\\NuboDesktopPet.Singleton.v1";

inline constexpr char kToolboxView[] = "toolbox";
inline constexpr char kShortcutsView[] = "shortcuts";
inline constexpr char kToolboxOpenType[] = "workspace.toolbox.open";
inline constexpr char kShortcutsOpenType[] = "workspace.shortcuts.open";

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
