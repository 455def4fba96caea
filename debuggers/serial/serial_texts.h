#pragma once

#include <string_view>

#include "debuggers/serial/serial_limits.h"

namespace nubo::serial {

inline constexpr std::string_view kKindStatus = "status";
inline constexpr std::string_view kKindError = "error";
inline constexpr std::string_view kKindRx = "rx";
inline constexpr std::string_view kKindTx = "tx";

inline constexpr std::string_view kStateStopped = "stopped";
inline constexpr std::string_view kStateOpening = "opening";
inline constexpr std::string_view kStateOpen = "open";
inline constexpr std::string_view kStateStopping = "stopping";
inline constexpr std::string_view kStateError = "error";

namespace text {

inline constexpr std::string_view kPayloadNotObject = "串口请求参数必须为对象。";
inline constexpr std::string_view kUnknownAction = "未知串口操作。";
inline constexpr std::string_view kCloseFirst = "请先关闭当前串口。";
inline constexpr std::string_view kInvalidPort = "请选择有效 COM 端口。";
inline constexpr std::string_view kNotInteger = "串口参数必须为整数。";
static_assert(kMaxIntParam == 4000000);
inline constexpr std::string_view kOutOfRange = "串口参数超出范围。";
inline constexpr std::string_view kInvalidSettings =
    "串口参数无效；1.5 停止位仅适用于 5 数据位，5 数据位不支持 2 停止位。";
inline constexpr std::string_view kOpenFirst = "请先打开串口。";
static_assert(kWriteBufferBytes == 65536);
inline constexpr std::string_view kSendLength = "每次发送须为 1–65536 字节的完整 Hex。";
inline constexpr std::string_view kSendInvalidHex = "串口发送内容包含无效 Hex。";
inline constexpr std::string_view kSendQueueFull = "串口发送队列已满，请降低循环频率。";
inline constexpr std::string_view kOpening = "正在打开串口…";
inline constexpr std::string_view kOpenedSuffix = " 已打开。";
inline constexpr std::string_view kClosed = "串口已关闭。";
inline constexpr std::string_view kLogDroppedPrefix = "日志缓冲已满，已移除 ";
inline constexpr std::string_view kLogDroppedSuffix = " 条较早记录；字节统计仍累计。";

// Operations named in a port failure: operation + "失败（Win32 N）。" + advice.
inline constexpr std::string_view kOpOpen = "打开串口";
// Listing failure: operation + "失败（Win32 N）。"
inline constexpr std::string_view kOpEnumerate = "枚举 COM 端口";
inline constexpr std::string_view kOpRead = "读取串口";
inline constexpr std::string_view kOpWrite = "写入串口";
inline constexpr std::string_view kOpWriteCount = "写入计数";

}  // namespace text
}  // namespace nubo::serial
