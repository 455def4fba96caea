#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "maintenance/software/registered_location.h"
#include "maintenance/software/residual_item.h"
#include "maintenance/software/software_inventory.h"

namespace nubo {

// What the other registered programs hold or may need, gathered once for the
// many paths of one scan or cleanup: their locations (install folders, main
// executables, Windows Installer's records) in every form the file system
// names them, and the name keys of their identity. The program's own key seen
// through the other registry view counts only for its locations.
class OtherPrograms {
 public:
  // keepGoing is asked while Windows Installer's records are read; a read it
  // stops leaves the products that needed them unreadable.
  OtherPrograms(const RegisteredSoftware& program, const std::vector<RegisteredSoftware>& installed,
                const std::function<bool()>& keepGoing);

  // Some location on a local drive equals the path or lies inside it.
  bool HasLocationAtOrInside(std::wstring_view path) const;
  // Another program names this executable as its main one.
  bool NamesExecutable(std::wstring_view path) const;
  // The leftover cannot be shown to be needed by nothing else: a folder when
  // some location cannot be read as a local path, when it holds or is a
  // location, or when it was found by a name that is also another program's;
  // a shortcut whose target is another program's main executable or lies
  // inside another program's location.
  bool MayNeed(const ResidualItem& item) const;

 private:
  struct Location {
    std::wstring folded;      // canonical, case-folded
    bool executable = false;  // a main executable rather than a folder
    bool ownKey = false;      // the scanned program's key in the other view
    bool shared = false;      // a protected folder, which every program may use
  };
  void AddLocation(LocationReader& reader, std::wstring_view text, bool executable, bool ownKey,
                   bool countUnreadable);
  bool LeadsInto(std::wstring_view target) const;

  std::vector<Location> locations_;
  std::unordered_set<std::wstring> added_;  // each location once
  std::unordered_set<std::wstring> nameKeys_;
  bool unreadable_ = false;
};

}  // namespace nubo
