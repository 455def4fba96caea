#pragma once

#include <string_view>

namespace nubo {

// Where a leftover was found.
inline constexpr std::string_view kLabelUserStartMenu = "当前用户开始菜单快捷方式";
inline constexpr std::string_view kLabelCommonStartMenu = "所有用户开始菜单快捷方式";
inline constexpr std::string_view kLabelUserDesktop = "当前用户桌面快捷方式";
inline constexpr std::string_view kLabelPublicDesktop = "公共桌面快捷方式";
inline constexpr std::string_view kLabelInferredInstall = "由注册程序文件确认的安装目录";
inline constexpr std::string_view kLabelRegisteredInstall = "注册安装目录";
inline constexpr std::string_view kLabelProfile = "用户配置目录";
inline constexpr std::string_view kLabelLocalAppData = "本地应用数据";
inline constexpr std::string_view kLabelRoamingAppData = "漫游应用数据";
inline constexpr std::string_view kLabelProgramData = "所有用户共享数据";
inline constexpr std::string_view kLabelUserPrograms = "当前用户程序目录";
inline constexpr std::string_view kLabelPublisherLocal = "发布者目录内的本地数据";
inline constexpr std::string_view kLabelPublisherRoaming = "发布者目录内的漫游数据";
inline constexpr std::string_view kLabelPublisherShared = "发布者目录内的共享数据";

// Kinds of leftover.
inline constexpr std::string_view kKindProgram = "program";
inline constexpr std::string_view kKindPersonal = "personal";
inline constexpr std::string_view kKindShortcut = "shortcut";

// Why a leftover belongs to the program.
inline constexpr std::string_view kEvidenceInferredInstall = "DisplayIcon 或 UninstallString 指向该目录内现存 EXE";
inline constexpr std::string_view kEvidenceRegisteredInstall = "Windows 卸载项直接提供 InstallLocation";
inline constexpr std::string_view kEvidenceShortcutTarget = "快捷方式实际目标与注册程序或经产品身份核实的安装位置一致";
inline constexpr std::string_view kEvidenceRestrictedSuffix = "；限定目录精确命中";
inline constexpr std::string_view kEvidencePublisherSuffix = "；发布者目录下精确命中";

// Discovery warnings.
inline constexpr std::string_view kWarnShortcutFolderMissing = "部分系统快捷方式位置无法取得，结果可能不完整。";
inline constexpr std::string_view kWarnInstallUnverified = "安装位置尚不能核实为该软件独占目录，未将整个目录列为清理项。";
inline constexpr std::string_view kWarnInstallShared = "安装位置包含其他已注册软件，整个共享安装目录未列入清理计划。";
inline constexpr std::string_view kWarnItemIdentity = "部分关联位置无法读取身份或经过重解析点，已跳过。";
inline constexpr std::string_view kWarnSizeIncomplete = "部分目录大小统计未完成，显示值为已统计部分。";
inline constexpr std::string_view kWarnShortcutDepth = "部分快捷方式目录达到扫描深度上限，未继续展开。";
inline constexpr std::string_view kWarnShortcutIdentity = "部分快捷方式无法读取身份，已跳过。";
inline constexpr std::string_view kWarnShortcutTarget = "部分快捷方式无法读取本地目标（含网络、广告或无效链接），已跳过。";
inline constexpr std::string_view kWarnShortcutChanged = "部分快捷方式在扫描期间发生变化，已跳过。";
inline constexpr std::string_view kWarnSharedFolder = "部分关联目录包含其他已注册软件，已保留共享目录，仅可审核独立快捷方式。";

}  // namespace nubo
