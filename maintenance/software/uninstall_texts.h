#pragma once

#include <string_view>

#include "maintenance/software/uninstall_limits.h"

namespace nubo {

inline constexpr std::string_view kUninstallNotConfirmed = "启动卸载程序前必须明确确认。";
inline constexpr std::string_view kUninstallNoCommand = "该软件没有可安全调用的注册卸载程序。";
static_assert(kUninstallCommandMaxUnits + 1 == 8192, "the text below refuses 8192 units and more");
inline constexpr std::string_view kUninstallCommandTooLong = "卸载命令异常过长，已拒绝执行。";
inline constexpr std::string_view kUninstallCommandAmbiguous = "卸载命令不能解析为明确的本地 EXE，已拒绝模糊命令执行。";
inline constexpr std::string_view kUninstallerStarted = "已启动软件自带的卸载程序；完成后请返回扫描残留。";
inline constexpr std::string_view kUninstallerStartFailed = "无法启动软件自带的卸载程序，可能需要管理员权限。";

}  // namespace nubo
