#include "maintenance/software/tree_verify.h"

#include <windows.h>

#include <string>

#include "maintenance/software/cleanup_limits.h"
#include "maintenance/software/path_rules.h"
#include "store/win_handles.h"

namespace nubo {
namespace {

bool VerifyTree(const std::wstring& path, ScanBudget& budget, uint32_t depth) {
  if (!budget.CountFileItem() || depth > kCleanupTreeMaxDepth || !CheckPathAttributes(path)) return false;
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return false;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return true;

  WIN32_FIND_DATAW entry{};
  FindHandle search(FindFirstFileW((path + L"\\*").c_str(), &entry));
  if (!search) return GetLastError() == ERROR_FILE_NOT_FOUND;
  do {
    if (IsDotEntry(entry.cFileName)) continue;
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return false;
    if (!VerifyTree(path + L"\\" + entry.cFileName, budget, depth + 1)) return false;
  } while (FindNextFileW(search.get(), &entry));
  return GetLastError() == ERROR_NO_MORE_FILES;
}

}  // namespace

bool VerifyTreeBeforeDelete(std::wstring_view path, ScanBudget& budget, uint32_t depth) {
  // Every entry's whole path is checked: its drive's type is asked once.
  const PathRulesScope pathRules;
  return VerifyTree(std::wstring(path), budget, depth);
}

}  // namespace nubo
