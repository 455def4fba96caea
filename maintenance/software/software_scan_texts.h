#pragma once

#include <string_view>

// User texts of the background leftover scan.
namespace nubo::software_scan_texts {

inline constexpr std::string_view kCancelRunningScanFirst = "请先取消正在进行的扫描。";
inline constexpr std::string_view kShortcutServiceUnavailable = "无法初始化快捷方式扫描服务。";
inline constexpr std::string_view kScanCancelled = "扫描已取消。";
inline constexpr std::string_view kScanUnfinished = "扫描未完成，请重试。";

}  // namespace nubo::software_scan_texts
