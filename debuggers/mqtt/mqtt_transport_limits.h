#pragma once

#include <cstddef>
#include <cstdint>

// Budgets and bounds of the MQTT client's byte transport.
namespace nubo::mqtt {

inline constexpr uint32_t kAbortSliceMs = 80;          // longest wait between two abort tests
inline constexpr uint32_t kWakeSliceMs = 10;           // a receive wait looks for queued commands this often
inline constexpr uint64_t kResolveBudgetMs = 10000;
inline constexpr uint64_t kConnectBudgetMs = 10000;    // all addresses together
inline constexpr uint64_t kHandshakeBudgetMs = 10000;
inline constexpr uint64_t kSendBudgetMs = 10000;       // per send call
inline constexpr uint64_t kTlsReceiveBudgetMs = 100;   // per TLS receive call
inline constexpr int kMaxAddresses = 16;
inline constexpr size_t kSocketReadBytes = 16384;
inline constexpr size_t kSocketReadMaxBytes = 262144;  // a plain read when the receive buffer has room
inline constexpr size_t kSendBatchBytes = 65536;       // queued packets gathered into one send
inline constexpr size_t kTlsHandshakeMaxBytes = 262144;
inline constexpr size_t kTlsReceiveMaxBytes = 1114112;
inline constexpr size_t kTlsRecordHeaderBytes = 5;    // DecryptMessage needs at least a record header
inline constexpr size_t kMaxSendChunk = 2147483647;

}  // namespace nubo::mqtt
