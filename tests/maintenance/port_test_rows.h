#pragma once

#include <cstdint>
#include <string>

#include "maintenance/ports/port_entry.h"

namespace nubo::testing {

// The termination's answers, as the user reads them.
inline constexpr char kProtectedText[] = "为保护系统稳定性，不能结束这个进程。";
inline constexpr char kOwnershipChangedText[] = "端口归属已经变化，请刷新列表后重试。";
inline constexpr char kCannotOpenText[] = "无法打开目标进程，可能需要管理员权限。";
inline constexpr char kTerminatedText[] = "进程已结束，端口列表正在刷新。";

// A listening TCP row owned by pid under name.
inline PortEntry OwnerRow(uint32_t pid, std::string name, uint16_t port = 8080) {
  PortEntry entry;
  entry.protocol = "TCP";
  entry.localAddress = "127.0.0.1";
  entry.localPort = port;
  entry.remoteAddress = "*";
  entry.state = "监听";
  entry.processId = pid;
  entry.processName = std::move(name);
  return entry;
}

}  // namespace nubo::testing
