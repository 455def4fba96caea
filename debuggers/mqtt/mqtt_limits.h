#pragma once

#include <cstddef>
#include <cstdint>

namespace nubo::mqtt {

// Wire limits.
inline constexpr uint64_t kMaxRemainingLength = 268'435'455;
inline constexpr uint64_t kMaxTextBytes = 65'535;
inline constexpr uint64_t kMaxPacketBytes = 1'048'576;
inline constexpr uint64_t kMaxReceiveBufferBytes = 1'048'576;
inline constexpr uint64_t kMaxInboundPayloadBytes = 262'144;

// Protocol state.
inline constexpr size_t kMaxOutboundPending = 128;
inline constexpr size_t kMaxInboundQos2Messages = 128;
inline constexpr uint64_t kMaxInboundQos2Bytes = 2'097'152;
inline constexpr size_t kMaxSubscriptions = 128;
inline constexpr int64_t kConnackTimeoutMs = 10'000;
// Received packets handled between two looks at the command queue.
inline constexpr size_t kMaxPacketsPerStep = 512;

// Requests and the command queue.
inline constexpr size_t kMaxQueuedCommands = 128;
inline constexpr uint64_t kMaxQueuedCost = 2'097'152;
inline constexpr uint64_t kCommandBaseCost = 248;
inline constexpr size_t kMaxHostBytes = 253;
inline constexpr size_t kMaxClientIdBytes = 128;
inline constexpr size_t kMaxCredentialBytes = 512;
inline constexpr int64_t kMinKeepAlive = 5;
inline constexpr int64_t kMaxKeepAlive = 3600;
inline constexpr size_t kMaxDataHexBytes = 524'288;
inline constexpr size_t kMaxPublishPayloadBytes = 262'144;

// Event log.
inline constexpr size_t kMaxLoggedEvents = 1000;
inline constexpr uint64_t kMaxLoggedEventBytes = 4'194'304;
inline constexpr size_t kMaxEventsPerPoll = 200;

static_assert(kMaxDataHexBytes == 2 * kMaxPublishPayloadBytes);

}  // namespace nubo::mqtt
