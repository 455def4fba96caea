#pragma once

#include <string_view>

#include "maintenance/software/plan_limits.h"

namespace nubo {

// Refusals of the cleanup, in the order they are checked.
static_assert(kPlanLifetimeMs == 15 * 60 * 1000, "the first refusal names the plan's lifetime");
inline constexpr std::string_view kCleanupNotAuthorised = "清理需要 15 分钟内的有效扫描结果，并完整输入软件名称。";
inline constexpr std::string_view kCleanupNothingSelected = "没有选择可清理的关联路径。";
inline constexpr std::string_view kCleanupNotInPlan = "所选路径不完全属于当前锁定计划，未执行任何清理。";
inline constexpr std::string_view kCleanupStillRegistered =
    "软件仍在注册列表中，请先完成标准卸载；关闭或取消卸载窗口不代表卸载完成。";

// Summaries of a cleanup that ran.
inline constexpr std::string_view kCleanupAllMoved = "所选残留已移入回收站，可以在误删时恢复。";
inline constexpr std::string_view kCleanupNoneMoved =
    "未能清理所选路径；其身份可能变化、包含重解析点、复核超限或正在使用，请重新扫描。";
inline constexpr std::string_view kCleanupSomeMoved =
    "部分关联项已移入回收站；其余身份变化、位置不安全、复核超限或正在使用，未清理。";

// The reveal.
inline constexpr std::string_view kRevealPlanInvalid = "扫描计划已失效，请重新扫描后打开位置。";
inline constexpr std::string_view kRevealNotInPlan = "该路径不在当前计划中或身份已变化，请重新扫描。";
inline constexpr std::string_view kRevealOpened = "已打开文件位置。";
inline constexpr std::string_view kRevealFailed = "无法打开此文件位置。";

// A cleanup or reveal asked for while another one waits in a Shell call.
inline constexpr std::string_view kFileOperationBusy = "另一项清理或打开位置操作仍在进行，请等待它完成后重试。";

}  // namespace nubo
