#pragma once

#include <string_view>

#include "store/settings_keys.h"
#include "ui_bridge/route_limits.h"

// User-facing texts of the dispatcher and the application's message handlers.
namespace nubo::dispatch_texts {

inline constexpr std::string_view kBadMessage = "界面发送的数据格式不正确。";
inline constexpr std::string_view kNetworkFromPet = "网络调试功能只能从星朵助手工作台使用。";
inline constexpr std::string_view kUnsupported = "暂不支持这个操作。";
inline constexpr std::string_view kSoftwareGate = "请在已打开的工作台中操作软件卸载工具。";
inline constexpr std::string_view kDeviceRequestInvalid = "调试请求无效，或工作台已关闭。";
inline constexpr std::string_view kOpenWorkbenchFirst = "请先打开工作台再进行设备通信。";
inline constexpr std::string_view kUnsendable = "Unable to send a message that holds invalid UTF-8 text.";

inline constexpr std::string_view kUnknownShortcut = "未知的网站快捷入口。";
inline constexpr std::string_view kSavedAddressInvalid = "已保存的网站地址无效，请在设置中重新填写。";
inline constexpr std::string_view kBrowserOpenFailed = "无法打开默认浏览器，请检查系统浏览器设置。";
inline constexpr std::string_view kUnknownPetAction = "这个动作暂时还不会哦。";
inline constexpr std::string_view kBadPetName = "名字需要是 1 到 16 个左右的可见字符。";
static_assert(settings_defaults::kPetNameMaxCodePoints == 16);
inline constexpr std::string_view kBadThemeOrSize = "工作台主题或字号设置无效。";
inline constexpr std::string_view kUnknownView = "无法保存未知的工作台页面。";
inline constexpr std::string_view kBadReminder = "请填写有效的事项名称和提醒时间。";

inline constexpr std::string_view kShortcutsBadRequestId = "网站设置请求编号无效。";
inline constexpr std::string_view kShortcutsNotDashboard = "请在工作台设置中保存网站地址。";
inline constexpr std::string_view kShortcutsNotText = "网站地址必须为文本。";
inline constexpr std::string_view kFinanceUrlInvalid =
    "理财网站地址无效：请填写 HTTP 或 HTTPS 网址，不包含账号密码，最多 2048 字节。";
inline constexpr std::string_view kLearningUrlInvalid =
    "学习网站地址无效：请填写 HTTP 或 HTTPS 网址，不包含账号密码，最多 2048 字节。";
static_assert(route_limits::kWebAddressMaxBytes == 2048);

}  // namespace nubo::dispatch_texts
