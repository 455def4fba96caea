#pragma once

#include <string_view>

namespace nubo {

// Failures of the leftover scan and its refresh.
inline constexpr std::string_view kPlanSoftwareChanged = "软件记录已经变化，请刷新列表后重试。";
inline constexpr std::string_view kPlanScanCancelled = "关联扫描已取消。";
inline constexpr std::string_view kPlanInvalid = "扫描计划已失效，请重新扫描。";
inline constexpr std::string_view kPlanRefreshCancelled = "关联项复查已取消。";
inline constexpr std::string_view kPlanRefreshTimedOut = "关联项复查超时，原计划未修改，请重试。";
inline constexpr std::string_view kPlanRefreshRaced = "关联项复查已取消或计划已变化。";
inline constexpr std::string_view kPlanTokenFailed = "无法创建安全的清理确认标识。";

// Warnings a refresh adds to the plan.
inline constexpr std::string_view kWarnIdentityChanged = "部分原关联项身份变化或无法复核，已从清理计划移除。";
inline constexpr std::string_view kWarnPlanRenewed =
    "旧授权已过期；仅复核原锁定项后续期，请重新审核选择，未增补任何路径。";

}  // namespace nubo
