#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "maintenance/software/own_share.h"

namespace nubo {

// How a location that a program registered reads as a path.
enum class LocationKind {
  kNone,        // nothing written
  kLocal,       // a path on a local drive
  kElsewhere,   // another machine's share, or a drive that is not local
  kUnreadable,  // relative, an unknown environment reference, a share of this
                // machine whose folder cannot be told, or no path at all
};

struct RegisteredLocation {
  LocationKind kind = LocationKind::kNone;
  // kLocal: the canonical path as written, then its long final form (8.3
  // names and links resolved, for its longest existing part) when that
  // differs.
  std::vector<std::wstring> forms;
};

// Reads registered locations as the file system names them: environment
// references expanded whatever the value's type, a Win32 or NT namespace
// prefix taken off, a share of this machine read as its folder, canonical,
// and in their long final form. Keeps what it
// learnt of each folder for the many locations of one pass.
class LocationReader {
 public:
  RegisteredLocation Read(std::wstring_view text);

 private:
  std::wstring LongFinalPath(const std::wstring& canonical);
  std::unordered_map<std::wstring, std::wstring> finalPaths_;  // by folded canonical path; empty: none
  OwnShares shares_;
};

RegisteredLocation ReadRegisteredLocation(std::wstring_view text);

}  // namespace nubo
