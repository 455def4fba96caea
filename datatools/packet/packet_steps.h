#pragma once

#include <cstdint>
#include <string_view>

#include "datatools/packet/packet_result.h"

// The steps every decoder uses to append to a PacketResult. Each copies its
// texts into the record, cut to the member's size; a full table drops the entry.
namespace nubo {

// Appends " / " (when the summary is not empty and has room for it) and then
// name, keeping the summary at most 95 characters.
void PacketAppendSummary(PacketResult* result, std::string_view name);

// The stored entry, or null when the table was full.
PacketLayer* PacketAddLayer(PacketResult* result, std::string_view id, std::string_view name,
                            std::uint64_t offset, std::uint64_t length, std::string_view summary);
PacketField* PacketAddField(PacketResult* result, std::string_view layer, std::string_view name,
                            std::uint64_t offset, std::uint64_t length, std::string_view value,
                            std::string_view summary);

// Stores the warning and lowers the confidence: 30 for codes beginning with
// "invalid-" or "truncated-", 10 otherwise, never below 0. A warning that
// finds the table full is dropped with its step; false then.
bool PacketAddWarning(PacketResult* result, std::string_view code, std::string_view message,
                      std::uint64_t offset);

// Nothing when start is not below end; otherwise a layer "payload" (or
// "trailing") over [start, end) and its field "data" with the byte count,
// the field also when the layer table is full.
void PacketAddPayloadLayer(PacketResult* result, std::uint64_t start, std::uint64_t end,
                           std::string_view summary);
void PacketAddTrailingLayer(PacketResult* result, std::uint64_t start, std::uint64_t end,
                            std::string_view summary);

}  // namespace nubo
