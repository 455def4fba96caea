#pragma once

#include <string_view>

// User texts of the software manager's routes.
namespace nubo::software_route_texts {

inline constexpr std::string_view kFieldsInvalid = "软件操作请求字段无效。";
inline constexpr std::string_view kScanStillRunning = "扫描仍在进行，请等待完成或先取消扫描。";
inline constexpr std::string_view kPlanTokenInvalid = "清理计划标识无效。";
inline constexpr std::string_view kRevealInvalid = "文件位置请求无效，请重新扫描。";
inline constexpr std::string_view kListRequestIdInvalid = "软件列表请求缺少有效标识。";
inline constexpr std::string_view kScanInvalid = "软件残留扫描请求无效。";
inline constexpr std::string_view kUninstallInvalid = "软件卸载请求无效。";
inline constexpr std::string_view kCleanupInvalid = "软件残留清理请求无效。";

}  // namespace nubo::software_route_texts
