#pragma once

#include <cstdint>
#include <string_view>

namespace nubo::system_texts {

inline constexpr std::string_view kCollectFailed = "无法读取 Windows 系统信息。";

// Builds above this are Windows 11, whose registry product name still says Windows 10.
inline constexpr uint32_t kLastWindows10Build = 21999;
inline constexpr std::string_view kWindows10 = "Windows 10";
inline constexpr std::string_view kWindows11 = "Windows 11";

// PROCESSOR_ARCHITECTURE_INTEL, _AMD64 and _ARM64.
inline constexpr uint32_t kArchitectureX86 = 0;
inline constexpr uint32_t kArchitectureX64 = 9;
inline constexpr uint32_t kArchitectureArm64 = 12;
inline constexpr std::string_view kX86 = "x86";
inline constexpr std::string_view kX64 = "x64";
inline constexpr std::string_view kArm64 = "ARM64";
inline constexpr std::string_view kUnknownArchitecture = "未知";

}  // namespace nubo::system_texts
