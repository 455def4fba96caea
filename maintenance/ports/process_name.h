#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace nubo {

// The image file name of a process ("System Idle" for 0, "System" for 4),
// or "PID " and the decimal id when it cannot be read. Never throws.
std::string ProcessNameFromPid(uint32_t processId);

// The same from a handle opened with at least PROCESS_QUERY_LIMITED_INFORMATION;
// processId names the fallback.
std::string ProcessNameFromHandle(HANDLE process, uint32_t processId);

}  // namespace nubo
