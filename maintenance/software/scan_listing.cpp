#include "maintenance/software/scan_listing.h"

#include <windows.h>

#include <cwctype>

#include "maintenance/software/path_rules.h"
#include "maintenance/software/software_limits.h"
#include "maintenance/software/software_texts.h"
#include "store/file_utils.h"
#include "store/win_handles.h"

namespace nubo {
namespace {

bool IsShortcutName(const std::wstring& name) {
  if (name.size() <= 4) return false;
  std::wstring tail = name.substr(name.size() - 4);
  for (wchar_t& unit : tail) unit = static_cast<wchar_t>(std::towlower(unit));
  return tail == L".lnk";
}

void MeasureAt(const std::wstring& path, MeasureResult& result, uint32_t startTick, ScanBudget* budget,
               const TickSource32& now, uint32_t depth) {
  const uint32_t timeLimit = budget != nullptr ? kMeasureBudgetedMs : kMeasureAloneMs;
  if ((budget != nullptr && !budget->CountFileItem()) || result.itemCount > kMeasureMaxItems - 1 ||
      static_cast<uint32_t>(now() - startTick) > timeLimit || depth > kMeasureMaxDepth) {
    result.sizeTruncated = true;
    return;
  }
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  ++result.itemCount;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
      result.sizeBytes += (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }
    return;
  }
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return;
  WIN32_FIND_DATAW found{};
  FindHandle search(FindFirstFileW(JoinPath(path, L"*").c_str(), &found));
  if (!search) return;
  do {
    if (IsDotEntry(found.cFileName)) continue;
    MeasureAt(path + L"\\" + found.cFileName, result, startTick, budget, now, depth + 1);
  } while (!result.sizeTruncated && FindNextFileW(search.get(), &found));
}

}  // namespace

uint32_t SystemTick32() { return GetTickCount(); }
uint64_t SystemTick64() { return GetTickCount64(); }

std::vector<ScanRootEntry> EnumerateScanRoot(std::wstring_view rootView, bool includeShortcuts, ScanBudget* budget) {
  std::vector<ScanRootEntry> entries;
  if (rootView.empty()) return entries;
  const std::wstring root(rootView);
  if (!IsOnLocalDrive(root)) {
    if (budget != nullptr) budget->AddWarning(kWarnNonLocalRoot, true);
    return entries;
  }
  if (!CheckPathAttributes(root)) {
    const DWORD error = GetLastError();
    if (budget != nullptr && error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) {
      budget->AddWarning(kWarnRootUnreadable, true);
    }
    return entries;
  }
  WIN32_FIND_DATAW found{};
  FindHandle search(FindFirstFileW(JoinPath(root, L"*").c_str(), &found));
  DWORD lastError = GetLastError();
  if (!search) {
    if (budget != nullptr && lastError != ERROR_FILE_NOT_FOUND) budget->AddWarning(kWarnListingFailed, true);
    return entries;
  }
  lastError = ERROR_SUCCESS;
  for (;;) {
    if (budget != nullptr && !budget->CountFileItem()) break;
    if (!IsDotEntry(found.cFileName)) {
      const std::wstring name = found.cFileName;
      const bool isDirectory = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        if (budget != nullptr) budget->AddWarning(kWarnReparseEntry, true);
      } else if (isDirectory || (includeShortcuts && IsShortcutName(name))) {
        entries.push_back({JoinPath(root, name), name, isDirectory});
      }
    }
    if (entries.size() >= kScanRootListLimit) break;
    if (!FindNextFileW(search.get(), &found)) {
      lastError = GetLastError();
      break;
    }
  }
  if (budget != nullptr) {
    if (entries.size() >= kScanRootListLimit) {
      budget->AddWarning(kWarnListingLimit, true);
    } else if (budget->Check() && lastError != ERROR_SUCCESS && lastError != ERROR_NO_MORE_FILES) {
      budget->AddWarning(kWarnListingIncomplete, true);
    }
  }
  return entries;
}

void MeasureDirectory(std::wstring_view path, MeasureResult& result, uint32_t startTick, ScanBudget* budget,
                      const TickSource32& now) {
  MeasureAt(std::wstring(path), result, startTick, budget, now, 0);
}

}  // namespace nubo
