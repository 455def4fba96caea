#pragma once

#include <string_view>

#include "debuggers/mqtt/mqtt_limits.h"

namespace nubo::mqtt::text {

// Incoming packets refused.
inline constexpr std::string_view kBadConnack = "Broker 返回了无效 CONNACK。";
inline constexpr std::string_view kConnackProtocol = "Broker 不支持当前 MQTT 协议版本。";
inline constexpr std::string_view kConnackClientId = "Broker 拒绝了客户端 ID。";
inline constexpr std::string_view kConnackUnavailable = "Broker 服务不可用。";
inline constexpr std::string_view kConnackCredentials = "MQTT 用户名或密码错误。";
inline constexpr std::string_view kConnackNotAuthorised = "Broker 未授权此客户端。";
inline constexpr std::string_view kConnackUnknown = "Broker 返回了未知 CONNACK 错误。";
inline constexpr std::string_view kBadPublishTopic = "Broker 返回了无效 PUBLISH 主题。";
inline constexpr std::string_view kReservedQos = "Broker 返回了保留的 QoS 值。";
inline constexpr std::string_view kPublishWithoutId = "Broker 的 PUBLISH 缺少数据包标识。";
inline constexpr std::string_view kInboundPayloadTooLarge = "收到的 MQTT 载荷超过 256 KiB 上限。";
static_assert(kMaxInboundPayloadBytes == 256 * 1024);
inline constexpr std::string_view kBadPubrel = "Broker 返回了无效 PUBREL。";
inline constexpr std::string_view kBadPubrelId = "Broker 返回了无效 PUBREL 数据包标识。";
inline constexpr std::string_view kBadAck = "Broker 返回了无效确认包。";
inline constexpr std::string_view kBadSuback = "Broker 拒绝订阅或返回了无效 SUBACK。";
inline constexpr std::string_view kBadPingresp = "Broker 返回了无效 PINGRESP。";
inline constexpr std::string_view kUnsupportedPacket = "Broker 返回了当前客户端不支持的数据包。";

// Engine.
inline constexpr std::string_view kWinsockStart = "无法初始化 Windows 网络组件。";
inline constexpr std::string_view kEncodeConnect = "无法编码 MQTT CONNECT。";
inline constexpr std::string_view kEncodePacket = "无法编码 MQTT 数据包。";
inline constexpr std::string_view kTooManyPending = "MQTT 等待确认的数据包过多。";
inline constexpr std::string_view kReceiveBufferFull = "MQTT 接收缓冲区超过 1 MiB 上限。";
static_assert(kMaxReceiveBufferBytes == 1024 * 1024);
inline constexpr std::string_view kBadPacket = "Broker 返回的 MQTT 数据包无效或过大。";
inline constexpr std::string_view kConnackTimeout = "等待 MQTT CONNACK 超时。";
inline constexpr std::string_view kPingrespTimeout = "等待 MQTT PINGRESP 超时。";
inline constexpr std::string_view kInboundQos2Full = "收到的 QoS 2 等待队列已满。";
inline constexpr std::string_view kSubscriptionLimit = "MQTT 订阅数量已达到 128 个上限。";
static_assert(kMaxSubscriptions == 128);
inline constexpr std::string_view kSessionFailed = "MQTT 会话失败。";
inline constexpr std::string_view kWorkerException = "MQTT 后台任务异常：";
inline constexpr std::string_view kWorkerUnknownException = "MQTT 后台任务发生未知异常。";

// Status events.
inline constexpr std::string_view kConnected = "MQTT Broker 已连接。";
inline constexpr std::string_view kDisconnected = "MQTT 客户端已断开。";
inline constexpr std::string_view kSubscribedPrefix = "已订阅 ";
inline constexpr std::string_view kUnsubscribedPrefix = "已取消订阅 ";
inline constexpr std::string_view kStatusSuffix = "。";

// Requests.
inline constexpr std::string_view kRequestNotObject = "MQTT 请求必须是对象。";
inline constexpr std::string_view kUnsupportedAction = "不支持的 MQTT 操作。";
inline constexpr std::string_view kBadStart = "Broker、端口或会话参数无效。";
inline constexpr std::string_view kCleanSessionOnly = "首版 MQTT 客户端仅支持新会话连接。";
inline constexpr std::string_view kPasswordNeedsUser = "填写密码时必须同时填写用户名。";
inline constexpr std::string_view kBadSubscribe = "订阅主题或 QoS 无效。";
inline constexpr std::string_view kBadPublish = "发布主题、QoS 或载荷无效。";
inline constexpr std::string_view kNotConnected = "MQTT 客户端尚未连接。";
inline constexpr std::string_view kQueueFull = "MQTT 待处理操作已达到上限。";

}  // namespace nubo::mqtt::text
