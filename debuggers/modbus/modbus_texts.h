#pragma once

#include <string_view>

#include "debuggers/modbus/modbus_limits.h"

namespace nubo::modbus_texts {

inline constexpr std::string_view kWinsockStartup = "无法初始化 Modbus TCP。";
inline constexpr std::string_view kServiceClosed = "Modbus 服务已经关闭。";
inline constexpr std::string_view kUnknownAction = "未知 Modbus 操作。";
inline constexpr std::string_view kChooseTransport = "请选择 Modbus TCP 或 RTU。";
inline constexpr std::string_view kNumericHost = "TCP 主机请填写 IPv4 或 IPv6 数字地址，不支持域名。";
inline constexpr std::string_view kComPortForm = "串口必须是 COM1、COM2 等端口名称。";
inline constexpr std::string_view kComPortName = "串口名称不正确。";
inline constexpr std::string_view kParity = "校验位不正确。";
inline constexpr std::string_view kOutOfRange = " 超出范围。";
inline constexpr std::string_view kNotInteger = " 必须是整数。";
static_assert(kModbusMaxValues == 2000);
inline constexpr std::string_view kValueList = "写入值列表不正确。";
inline constexpr std::string_view kRegisterValue = "寄存器值必须是 0–65535 的整数。";
inline constexpr std::string_view kDisconnectFirst = "请先断开当前连接。";
inline constexpr std::string_view kConnectFirst = "请先连接设备。";
inline constexpr std::string_view kRequestPending = "上一条请求尚未完成。";
inline constexpr std::string_view kConfirmWrite = "每次写入都必须先明确确认目标地址及全部值。";

inline constexpr std::string_view kCancelled = "操作已取消。";
inline constexpr std::string_view kConnectTimeout = "TCP 连接超时。";
inline constexpr std::string_view kSendTimeout = "发送超时，设备可能已收到部分数据。";
inline constexpr std::string_view kBadMbap = "MBAP 长度或协议标识不正确。";
inline constexpr std::string_view kTcpReceive = "TCP 连接已断开或接收失败。";
static_assert(kModbusMaxResponseBytes == 260);
inline constexpr std::string_view kTooLong = "响应长度超过 Modbus 上限。";
inline constexpr std::string_view kBadHeader = "响应帧头无效。";
inline constexpr std::string_view kResponseTimeout = "设备响应超时。";
inline constexpr std::string_view kIncomplete = "不完整响应";
inline constexpr std::string_view kReadRetry = "只读请求重试 ";
inline constexpr std::string_view kWriteUncertain = " 写入结果不确定；不会自动重试，请先读取核对。";
inline constexpr std::string_view kExceptionPrefix = "Modbus 异常码 ";
inline constexpr std::string_view kExceptionOpen = "（";
inline constexpr std::string_view kExceptionClose = "）。";

// Operations named in system failure texts.
inline constexpr std::string_view kOpOpenPort = "打开串口";
inline constexpr std::string_view kOpReadPortSettings = "读取串口设置";
inline constexpr std::string_view kOpConfigurePort = "配置串口";
inline constexpr std::string_view kOpCreateTcp = "创建 TCP";
inline constexpr std::string_view kOpSetTcp = "设置 TCP";
inline constexpr std::string_view kOpConnectTcp = "连接 TCP";
inline constexpr std::string_view kOpWaitTcp = "等待 TCP";
inline constexpr std::string_view kOpCheckTcp = "检查 TCP 连接";
inline constexpr std::string_view kOpTcpSend = "TCP 发送";
inline constexpr std::string_view kOpPortSend = "串口发送";
inline constexpr std::string_view kOpPortReceive = "串口接收";

}  // namespace nubo::modbus_texts
