#pragma once

// Limits and user-facing texts of the network debugger, in one place.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace nubo::network {

// Event log and polls.
inline constexpr size_t kLogMaxEvents = 1024;
inline constexpr uint64_t kLogMaxCost = 0x800000;
inline constexpr uint64_t kEventBaseCost = 160;
inline constexpr size_t kPollMaxEvents = 256;
inline constexpr uint64_t kPollMaxCost = 0x100000;

// Sends.
inline constexpr size_t kMaxSendBytes = 65536;
inline constexpr size_t kMaxUdpSendBytes = 65507;
inline constexpr uint64_t kMaxPendingSendBytes = 0x400000;

// Sessions.
inline constexpr size_t kMaxPeers = 32;
inline constexpr int kListenBacklog = 32;
inline constexpr size_t kMaxInterfaces = 128;
inline constexpr int kResolveCapacity = 16;
inline constexpr int kWaitMilliseconds = 20;
inline constexpr int64_t kConnectTimeoutMilliseconds = 10000;
// TCP data is logged in reads of 16 KiB. One system call takes up to 256 such
// reads at once (4 MiB) and the worker logs them piece by piece, exactly as
// that many calls would have: a socket call costs far more than the copy
// (under Wine some 100-200 us, whatever its size).
inline constexpr size_t kTcpReadBytes = 16384;
inline constexpr size_t kTcpReadsPerCall = 256;
inline constexpr size_t kUdpReadBytes = 65536;
inline constexpr size_t kReceiveBufferBytes = kTcpReadBytes * kTcpReadsPerCall;
// A socket that never runs dry must not hold the worker: each pass reads at
// most this much from one socket before it looks at sends and stop requests.
inline constexpr int kMaxReadsPerSocketPass = 64;
inline constexpr size_t kMaxReadBytesPerSocketPass = size_t{4} << 20;

// Modes and states.
inline constexpr std::string_view kModeTcpClient = "tcp-client";
inline constexpr std::string_view kModeTcpServer = "tcp-server";
inline constexpr std::string_view kModeUdp = "udp";

inline constexpr std::string_view kStateStopped = "stopped";
inline constexpr std::string_view kStateStarting = "starting";
inline constexpr std::string_view kStateConnecting = "connecting";
inline constexpr std::string_view kStateConnected = "connected";
inline constexpr std::string_view kStateListening = "listening";
inline constexpr std::string_view kStateReady = "ready";
inline constexpr std::string_view kStateError = "error";

inline constexpr std::string_view kKindSystem = "system";
inline constexpr std::string_view kKindError = "error";
inline constexpr std::string_view kKindSent = "sent";
inline constexpr std::string_view kKindReceived = "received";

namespace text {

// Session control.
inline constexpr std::string_view kSessionStarting = "正在启动网络会话。";
inline constexpr std::string_view kSessionStopped = "网络会话已停止。";
inline constexpr std::string_view kThreadFailed = "无法创建网络工作线程。";
inline constexpr std::string_view kLogOverflow = "接收事件过多，较早的显示记录已丢弃。";

// Configuration checks.
inline constexpr std::string_view kModeInvalid = "网络模式无效。";
inline constexpr std::string_view kHostInvalid = "主机地址无效或过长。";
inline constexpr std::string_view kTargetRequired = "TCP 客户端和 UDP 需要目标地址与端口。";
inline constexpr std::string_view kLanRequiredToBind = "绑定非回环地址前必须明确允许局域网访问。";
inline constexpr std::string_view kTtlInvalid = "组播 TTL 必须为 0 到 255。";
inline constexpr std::string_view kMulticastOnlyUdp = "组播设置仅适用于 UDP。";
inline constexpr std::string_view kGroupInvalid =
    "接收组必须为 224.0.0.0 到 239.255.255.255 的 IPv4 组播地址。";
inline constexpr std::string_view kGroupNeedsWildcard =
    "加入组播接收组需要绑定 0.0.0.0，并单独选择收发网卡。";
inline constexpr std::string_view kLanRequiredForMulticast =
    "使用组播网卡或加入接收组前必须明确允许局域网访问。";

// Sends.
inline constexpr std::string_view kHexInvalidCharacter = "十六进制数据包含无效字符。";
inline constexpr std::string_view kSendTooLarge = "单次发送不能超过 64 KiB。";
inline constexpr std::string_view kHexOddDigits = "十六进制数字数量必须为偶数。";
inline constexpr std::string_view kHexEmpty = "请输入需要发送的数据。";
inline constexpr std::string_view kSessionNotStarted = "网络会话尚未启动。";
inline constexpr std::string_view kUdpTooLarge = "UDP 数据报不能超过 65507 字节。";
inline constexpr std::string_view kUdpUsesTarget = "UDP 模式使用已配置的目标地址。";
inline constexpr std::string_view kPendingFull = "待发送数据已达到 4 MiB 上限。";

// Worker events.
inline constexpr std::string_view kConnecting = "正在连接 TCP 目标。";
inline constexpr std::string_view kConnectionEstablished = "TCP 连接已建立。";
inline constexpr std::string_view kClientConnected = "TCP 客户端已连接。";
inline constexpr std::string_view kServerListening = "TCP 服务端正在监听。";
inline constexpr std::string_view kUdpOpen = "UDP 端点已打开。";
inline constexpr std::string_view kMulticastSendPrefix = "组播发送网卡：";
inline constexpr std::string_view kMulticastTtlPrefix = "，TTL ";
inline constexpr std::string_view kMulticastSystemRoute = "系统路由";
inline constexpr std::string_view kGroupJoinedPrefix = "已加入组播接收组 ";
inline constexpr std::string_view kGroupJoinedSuffix = "。尚未发送数据。";
inline constexpr std::string_view kGroupLeft = "组播接收已停止，正在关闭端点。";
inline constexpr std::string_view kPeerAccepted = "TCP 客户端已接入。";
inline constexpr std::string_view kPeerClosed = "TCP 客户端已关闭连接。";
inline constexpr std::string_view kPeerSocketError = "TCP 连接发生套接字错误。";
inline constexpr std::string_view kPeerSendFailed = "向 TCP 连接发送数据失败。";
inline constexpr std::string_view kTargetClosed = "TCP 目标已关闭连接。";
inline constexpr std::string_view kClientSendFailed = "发送 TCP 数据失败，连接已关闭。";
inline constexpr std::string_view kConnectTimedOut = "连接目标超时（10 秒）。";
inline constexpr std::string_view kMulticastNeedsLan = "组播目标解析成功，但尚未明确允许局域网访问。";
inline constexpr std::string_view kClientNotConnected = "TCP 客户端当前未连接。";
inline constexpr std::string_view kUdpNotOpen = "UDP 端点尚未打开。";
inline constexpr std::string_view kServerNoPeers = "TCP 服务端当前没有可发送的连接。";
inline constexpr std::string_view kTargetPeerGone = "目标 TCP 连接已经断开。";
inline constexpr std::string_view kBroadcastTooLarge = "广播会超过 4 MiB 待发送上限。";

// Operations named in the Winsock form of a failure.
inline constexpr std::string_view kOpValidateMulticastInterface = "校验本机组播网卡 IPv4";
inline constexpr std::string_view kOpListInterfaces = "读取本机 IPv4 网卡";
inline constexpr std::string_view kOpStartWinsock = "初始化 Winsock";
inline constexpr std::string_view kOpResolveTarget = "解析目标地址";
inline constexpr std::string_view kOpResolveLocal = "解析本地地址";
inline constexpr std::string_view kOpResolveUdp = "解析 UDP 地址";
inline constexpr std::string_view kOpConnect = "连接目标";
inline constexpr std::string_view kOpConnection = "网络连接";
inline constexpr std::string_view kOpListen = "监听本地端口";
inline constexpr std::string_view kOpBindUdp = "绑定 UDP 端点";
inline constexpr std::string_view kOpMulticastSendOptions = "配置组播发送网卡或 TTL";
inline constexpr std::string_view kOpJoinGroup = "加入组播接收组";
inline constexpr std::string_view kOpWait = "等待网络事件";
inline constexpr std::string_view kOpAccept = "接受 TCP 连接";
inline constexpr std::string_view kOpReceiveTcp = "接收 TCP 数据";
inline constexpr std::string_view kOpReceiveUdp = "接收 UDP 数据";
inline constexpr std::string_view kOpSendTcp = "发送 TCP 数据";
inline constexpr std::string_view kOpSendUdp = "发送 UDP 数据";

}  // namespace text
}  // namespace nubo::network
