#pragma once

#include <cstddef>
#include <cstdint>

namespace nubo::serial {

// Port core.
inline constexpr size_t kPortNameBytes = 16;
inline constexpr uint32_t kMinBaudRate = 50;
inline constexpr uint32_t kMaxBaudRate = 4000000;
inline constexpr uint32_t kMaxPortNumber = 65535;
inline constexpr size_t kReadBufferBytes = 16384;
inline constexpr size_t kWriteBufferBytes = 65536;
inline constexpr uint32_t kDriverQueueBytes = 65536;
inline constexpr uint32_t kReadTotalConstantMs = 30;
inline constexpr uint32_t kWriteTotalConstantMs = 1000;
inline constexpr size_t kHexTextMaxChars = 2 * kWriteBufferBytes;
inline constexpr size_t kEnumerateMaxIndexes = 4096;

// Service.
inline constexpr size_t kLogMaxEvents = 512;
inline constexpr uint64_t kLogMaxHexChars = 2097152;
inline constexpr size_t kSendQueueMaxBuffers = 128;
inline constexpr uint64_t kSendQueueMaxBytes = 262144;
inline constexpr size_t kPollMaxEvents = 128;
inline constexpr size_t kEnumerateMaxPorts = 256;
inline constexpr int64_t kMaxIntParam = 4000000;
inline constexpr int64_t kWorkerWaitMs = 10;
inline constexpr size_t kMinWriteStepBytes = 64;
// A buffer fails when no write step moved any of its bytes for this long.
inline constexpr int64_t kWriteStallNs = 3000000000;

}  // namespace nubo::serial
