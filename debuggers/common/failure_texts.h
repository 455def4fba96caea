#pragma once

#include <string_view>

// The parts of an operating-system failure as the user reads it: the
// operation, one of the prefixes, the decimal code, then the suffix.
namespace nubo::failure_text {

inline constexpr std::string_view kWinsockPrefix = "失败（Winsock ";
inline constexpr std::string_view kWin32Prefix = "失败（Win32 ";
inline constexpr std::string_view kSystemCodePrefix = "失败（系统代码 ";
inline constexpr std::string_view kSuffix = "）。";
inline constexpr std::string_view kSerialPortSuffix = "）。请检查设备连接、端口占用和驱动。";

}  // namespace nubo::failure_text
