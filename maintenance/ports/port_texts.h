#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace nubo::port_texts {

inline constexpr std::string_view kTcp = "TCP";
inline constexpr std::string_view kUdp = "UDP";
inline constexpr std::string_view kWildcardAddress = "*";
inline constexpr std::string_view kUnformattableAddress = "?";
inline constexpr std::string_view kNoRemoteAddress = "—";
inline constexpr std::string_view kListening = "监听";
inline constexpr std::string_view kUnknownState = "未知";

// Indexed by the MIB_TCP_STATE value 1..12.
inline constexpr std::array<std::string_view, 13> kTcpStateWords = {
    "",          // 0: not a state
    "已关闭",    // CLOSED
    "监听",      // LISTEN
    "正在连接",  // SYN_SENT
    "正在握手",  // SYN_RCVD
    "已连接",    // ESTAB
    "正在关闭",  // FIN_WAIT1
    "正在关闭",  // FIN_WAIT2
    "等待关闭",  // CLOSE_WAIT
    "关闭中",    // CLOSING
    "最后确认",  // LAST_ACK
    "等待释放",  // TIME_WAIT
    "删除中",    // DELETE_TCB
};

inline constexpr std::string_view kIdleProcessName = "System Idle";
inline constexpr std::string_view kSystemProcessName = "System";
inline constexpr std::string_view kPidNamePrefix = "PID ";

// Compared with the lower-cased name of the process to end.
inline constexpr std::array<std::string_view, 11> kProtectedProcessNames = {
    "system",       "registry",     "smss.exe",    "csrss.exe",       "wininit.exe", "services.exe",
    "lsass.exe",    "winlogon.exe", "svchost.exe", "fontdrvhost.exe", "dwm.exe"};

inline constexpr std::string_view kProtected = "为保护系统稳定性，不能结束这个进程。";
inline constexpr std::string_view kOwnershipChanged = "端口归属已经变化，请刷新列表后重试。";
inline constexpr std::string_view kCannotOpen = "无法打开目标进程，可能需要管理员权限。";
inline constexpr std::string_view kCritical = "Windows 将该进程标记为关键进程，操作已拒绝。";
inline constexpr std::string_view kTerminated = "进程已结束，端口列表正在刷新。";
inline constexpr std::string_view kTerminateFailed = "结束进程失败，可能需要管理员权限。";

}  // namespace nubo::port_texts
