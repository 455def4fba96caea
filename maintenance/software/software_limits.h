#pragma once

#include <cstddef>
#include <cstdint>

namespace nubo {

// Bounds of one scan, refresh or cleanup.
inline constexpr uint64_t kScanTimeLimitMs = 4500;
inline constexpr uint32_t kScanMaxDepth = 6;
inline constexpr uint32_t kScanMaxFileItems = 16000;
inline constexpr uint32_t kScanDisplayLimit = 40;
inline constexpr size_t kScanMaxWarnings = 16;

// One level of a scan root lists at most this many entries.
inline constexpr size_t kScanRootListLimit = 2048;

// Size count of one leftover.
inline constexpr uint32_t kMeasureMaxItems = 100000;
inline constexpr uint32_t kMeasureBudgetedMs = 120;
inline constexpr uint32_t kMeasureAloneMs = 1800;
// Deeper levels are not entered: the recursion runs on the caller's stack.
inline constexpr uint32_t kMeasureMaxDepth = 64;

// Paths and files read by the path rules.
inline constexpr uint32_t kPathBufferUnits = 32768;
inline constexpr uint64_t kShortcutMaxBytes = 2097152;
inline constexpr uint32_t kVersionInfoMaxBytes = 16777216;
inline constexpr size_t kVersionNameMaxUnits = 128;

// This machine's names, read to tell its own shares.
inline constexpr uint32_t kHostNameUnits = 256;

// A name key shorter than this identifies nothing unless it holds an ideograph.
inline constexpr size_t kNameKeyMinUnits = 4;

// Fixed widths of one uninstall registry record, in UTF-16 units.
inline constexpr size_t kRecordIdUnits = 768;
inline constexpr size_t kRecordDisplayNameUnits = 384;
inline constexpr size_t kRecordDisplayVersionUnits = 192;
inline constexpr size_t kRecordPublisherUnits = 256;
inline constexpr size_t kRecordInstallLocationUnits = 1024;
inline constexpr size_t kRecordCommandUnits = 2048;
inline constexpr size_t kRegistrySubkeyNameUnits = 512;
// Longer than every uninstall value name read; longer names are skipped.
inline constexpr uint32_t kRegistryValueNameUnits = 32;
inline constexpr uint32_t kExpandBufferUnits = 2048;

}  // namespace nubo
