#pragma once

#include <string_view>

#include "debuggers/mqtt/mqtt_transport_limits.h"

// User texts of the MQTT client's byte transport: look-up, TCP and TLS.
namespace nubo::mqtt::text {

inline constexpr std::string_view kHostNotUtf8 = "Broker 地址不是有效 UTF-8。";
inline constexpr std::string_view kResolveTaskFailed = "无法创建 Broker 解析任务。";
inline constexpr std::string_view kResolveTimeout = "解析 Broker 地址超时。";
inline constexpr std::string_view kResolveFailed = "无法解析 Broker 地址。";
inline constexpr std::string_view kNoUsableAddress = "Broker 地址没有可用的 IPv4 或 IPv6 结果。";
inline constexpr std::string_view kConnectFailed = "连接 Broker 超时或被拒绝。";
inline constexpr std::string_view kTlsCredentials = "无法初始化 Windows TLS 凭据。";
inline constexpr std::string_view kTlsNameNotUtf8 = "TLS Broker 名称不是有效 UTF-8。";
inline constexpr std::string_view kTlsHandshakeTimeout = "TLS 握手超时。";
inline constexpr std::string_view kTlsTokenIncomplete = "TLS 握手令牌无法完成。";
// Followed by the status as eight lower-case hexadecimal digits and kTlsHandshakeFailedEnd.
inline constexpr std::string_view kTlsHandshakeFailed = "TLS 握手或系统证书验证失败（0x";
inline constexpr std::string_view kTlsHandshakeFailedEnd = "）。";
inline constexpr std::string_view kTlsClosedInHandshake = "TLS 握手期间 Broker 关闭了连接。";
inline constexpr std::string_view kTlsHandshakeTooLarge = "TLS 握手数据超过安全上限。";
static_assert(kTlsHandshakeMaxBytes == 262144);
inline constexpr std::string_view kTlsStreamSizes = "无法读取 TLS 流参数。";
inline constexpr std::string_view kSendTimeout = "发送到 Broker 超时。";
inline constexpr std::string_view kOpSend = "发送到 Broker ";  // + "失败（Winsock N）。"
inline constexpr std::string_view kTlsEncryptFailed = "TLS 加密发送失败。";
inline constexpr std::string_view kBrokerClosed = "Broker 已关闭连接。";
inline constexpr std::string_view kOpReceive = "接收 Broker 数据";  // + "失败（Winsock N）。"
inline constexpr std::string_view kBrokerClosedTls = "Broker 已关闭 TLS 连接。";
inline constexpr std::string_view kOpReceiveTls = "接收 TLS 数据";
inline constexpr std::string_view kTlsReceiveTooLarge = "TLS 接收缓冲区超过安全上限。";
static_assert(kTlsReceiveMaxBytes == 1114112);
inline constexpr std::string_view kTlsRenegotiate = "Broker 请求了不受支持的 TLS 重新协商。";
inline constexpr std::string_view kTlsSessionClosed = "Broker 已关闭 TLS 会话。";
inline constexpr std::string_view kTlsRecordInvalid = "TLS 记录验证失败。";

}  // namespace nubo::mqtt::text
