#pragma once

#include <cstddef>
#include <string_view>

namespace nubo::system_route_texts {

inline constexpr std::string_view kSnapshotRequestInvalid = "系统信息请求缺少有效标识。";
inline constexpr std::string_view kPortsRequestInvalid = "端口请求缺少有效标识。";
inline constexpr std::string_view kConfirmationRequired = "结束进程前必须明确确认。";
inline constexpr std::string_view kProcessIdInvalid = "进程标识无效，请刷新列表后重试。";

}  // namespace nubo::system_route_texts
