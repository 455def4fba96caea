#pragma once

#include <string_view>

#include "maintenance/software/software_limits.h"

namespace nubo {

// Budget and listing warnings.
inline constexpr std::string_view kWarnScanTimeLimit = "扫描达到时间上限，结果可能不完整。";
inline constexpr std::string_view kWarnScanItemLimit = "扫描达到文件项上限，结果可能不完整。";
inline constexpr std::string_view kWarnDisplayLimit = "关联项达到显示上限，请分批清理后重新扫描。";
inline constexpr std::string_view kWarnNonLocalRoot = "网络或非本地扫描根已跳过。";
inline constexpr std::string_view kWarnRootUnreadable = "部分扫描根不可读或经过重解析点，已跳过。";
inline constexpr std::string_view kWarnListingFailed = "部分目录无法枚举（权限或读取错误），结果可能不完整。";
inline constexpr std::string_view kWarnReparseEntry = "发现重解析点或符号链接，未跟随扫描。";
inline constexpr std::string_view kWarnListingLimit = "部分目录达到单层枚举上限，结果可能不完整。";
inline constexpr std::string_view kWarnListingIncomplete = "部分目录枚举未能完成（权限或读取错误）。";

// Inventory failures and the readable registry location's view word.
inline constexpr std::string_view kInventoryReadFailed = "无法读取 Windows 已安装软件列表。";
inline constexpr std::string_view kInventoryStopped = "软件清单读取已取消或达到扫描时间上限，请重试。";
inline constexpr std::string_view kRegistryViewWordEnd = " 位视图)";


// Evidence of product identity: the registry, the main executable, the publisher.
inline constexpr std::string_view kEvidenceDisplayNameExact = "与卸载注册名称精确匹配";
inline constexpr std::string_view kEvidenceKeyNameExact = "与卸载注册项名称精确匹配";
inline constexpr std::string_view kEvidenceExecutableStem = "与主程序文件名匹配";
inline constexpr std::string_view kEvidenceProductName = "与主程序产品名称匹配";
inline constexpr std::string_view kEvidenceFileDescription = "与主程序文件说明匹配";
inline constexpr std::string_view kEvidencePublisherExact = "与注册发布者匹配";
inline constexpr std::string_view kEvidenceCompanyName = "与主程序公司名称匹配";
inline constexpr std::string_view kEvidenceRegistryName = "卸载注册名称";
inline constexpr std::string_view kEvidenceRegistryKeyName = "卸载注册项名称";
inline constexpr std::string_view kEvidenceRegisteredProgram = "注册程序名称";
inline constexpr std::string_view kEvidenceProductMetadata = "产品元数据";
inline constexpr std::string_view kEvidencePublisher = "发布者";
inline constexpr std::string_view kEvidenceTokenSuffix = "（名称片段）";
inline constexpr std::string_view kEvidenceAdjacentSuffix = "（相邻名称片段）";
inline constexpr std::string_view kConfidenceHigh = "high";
inline constexpr std::string_view kConfidenceMedium = "medium";

}  // namespace nubo
