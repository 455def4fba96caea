#pragma once

#include <string>
#include <string_view>

namespace nubo {

// The forms of an operating-system failure, each the operation directly
// followed by its prefix and the decimal code:
//   operation + "失败（Winsock " + code + "）。"
std::string FormatWinsockFailure(std::string_view operation, int code);
//   operation + "失败（Win32 " + code + "）。"
std::string FormatWin32Failure(std::string_view operation, int code);
//   operation + "失败（系统代码 " + code + "）。"
std::string FormatSystemCodeFailure(std::string_view operation, int code);
// A serial port's own operation:
//   operation + "失败（Win32 " + code + "）。请检查设备连接、端口占用和驱动。"
std::string FormatSerialPortFailure(std::string_view operation, int code);

}  // namespace nubo
