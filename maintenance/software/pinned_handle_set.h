#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "store/win_handles.h"

namespace nubo {

// Open handles on one path and every folder above it (below the drive
// root). While they are held no other program can rename, move or delete
// those folders, so none of them can be swapped for a junction; the path
// itself stays movable. Closed when the set goes.
class PinnedHandleSet {
 public:
  PinnedHandleSet() = default;
  PinnedHandleSet(const PinnedHandleSet&) = delete;
  PinnedHandleSet& operator=(const PinnedHandleSet&) = delete;

  // False when the path is unsafe, a level cannot be opened or a level is a
  // reparse point. Handles opened before a failure stay in the set.
  bool Pin(std::wstring_view path);
  size_t size() const { return handles_.size(); }

 private:
  std::vector<FileHandle> handles_;
};

}  // namespace nubo
