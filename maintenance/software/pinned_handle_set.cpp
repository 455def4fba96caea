#include "maintenance/software/pinned_handle_set.h"

#include <string>

#include "maintenance/software/path_rules.h"

namespace nubo {
bool PinnedHandleSet::Pin(std::wstring_view path) {
  if (!CheckPathAttributes(path)) return false;
  const std::wstring canonical = CanonicalizePath(path);
  if (canonical.empty()) return false;
  for (size_t index = 3; index <= canonical.size(); ++index) {
    const bool whole = index == canonical.size();
    if (!whole && !IsPathSeparator(canonical[index])) continue;
    const std::wstring level = whole ? canonical : canonical.substr(0, index);
    // Attribute-only handles take no part in share checks: a folder above
    // the path is opened for listing so that its missing delete share holds.
    const DWORD access = whole ? FILE_READ_ATTRIBUTES : FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES;
    const DWORD share = whole ? FILE_SHARE_READ | FILE_SHARE_DELETE : FILE_SHARE_READ | FILE_SHARE_WRITE;
    FileHandle handle(CreateFileW(level.c_str(), access, share, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!handle) return false;
    BY_HANDLE_FILE_INFORMATION information{};
    const bool read = GetFileInformationByHandle(handle.get(), &information) != 0;
    handles_.push_back(std::move(handle));
    if (!read || (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return false;
  }
  return true;
}

}  // namespace nubo
