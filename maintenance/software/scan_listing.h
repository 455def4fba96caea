#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "maintenance/software/scan_budget.h"

namespace nubo {

struct ScanRootEntry {
  std::wstring path;  // the root, "\" and the name
  std::wstring name;  // as the file system returned it
  bool isDirectory = false;
};

// One level of a folder, at most 2048 entries, in the file system's order:
// folders, and shortcut files when asked. Reparse points are never listed.
// Problems become warnings in the budget when one is given.
std::vector<ScanRootEntry> EnumerateScanRoot(std::wstring_view root, bool includeShortcuts, ScanBudget* budget);

struct MeasureResult {
  uint64_t sizeBytes = 0;
  uint32_t itemCount = 0;
  bool sizeTruncated = false;
};

// Milliseconds of a 32-bit tick (GetTickCount on Windows).
using TickSource32 = std::function<uint32_t()>;
uint32_t SystemTick32();
uint64_t SystemTick64();

// Adds the sizes and the count of the path's tree to result. Stops with
// sizeTruncated at the budget's item limit, above 100000 items, after 120 ms
// with a budget or 1800 ms without (since startTick), and below 64 levels.
void MeasureDirectory(std::wstring_view path, MeasureResult& result, uint32_t startTick, ScanBudget* budget,
                      const TickSource32& now = SystemTick32);

}  // namespace nubo
