#pragma once

// Limits of the network debugger.

#include <cstddef>
#include <cstdint>

#include "debuggers/common/ipv4_text.h"

namespace nubo::network {

// Event log and polls.
inline constexpr size_t kLogMaxEvents = 1024;
inline constexpr uint64_t kLogMaxCost = 0x800000;
inline constexpr uint64_t kEventBaseCost = 160;
inline constexpr size_t kPollMaxEvents = 256;
inline constexpr uint64_t kPollMaxCost = 0x100000;

// Sends.
inline constexpr size_t kMaxSendBytes = 65536;
// Two hexadecimal digits per byte.
inline constexpr size_t kMaxSendHexBytes = 2 * kMaxSendBytes;
inline constexpr size_t kMaxUdpSendBytes = 65507;
inline constexpr uint64_t kMaxPendingSendBytes = 0x400000;

// Session settings.
inline constexpr size_t kMaxHostBytes = 253;
// The longest dotted quad.
inline constexpr size_t kMaxMulticastTextBytes = 15;
inline constexpr int32_t kMaxMulticastTtl = kIpv4MaxTtl;

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
// Sockets that never run dry must not hold the worker: one pass reads at most
// this much over all its sockets, shared out evenly between the readable
// ones, before it looks at sends and stop requests again.
inline constexpr size_t kMaxReadBytesPerPass = size_t{4} << 20;
inline constexpr int kMaxReadsPerSocketPass = 64;

}  // namespace nubo::network
