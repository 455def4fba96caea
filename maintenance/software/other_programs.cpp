#include "maintenance/software/other_programs.h"

#include "maintenance/software/installer_records.h"
#include "maintenance/software/path_rules.h"
#include "maintenance/software/product_identity.h"
#include "maintenance/software/registered_location.h"
#include "maintenance/software/residual_texts.h"
#include "maintenance/software/software_texts.h"
#include "store/text_convert.h"

namespace nubo {
namespace {

std::string_view HiveOf(std::string_view id) { return id.substr(0, id.find('|')); }

// The same uninstall key seen through the other registry view: the
// current user's key is one key that both views show.
bool IsOwnKeyInOtherView(const RegisteredSoftware& program, const std::wstring& programKey,
                         const RegisteredSoftware& other, const std::wstring& otherKey) {
  return HiveOf(program.id) == HiveOf(other.id) && programKey == otherKey &&
         program.displayName == other.displayName && program.installLocation == other.installLocation &&
         program.mainExecutablePath == other.mainExecutablePath;
}

// The folder a leftover names when it was found by the program's name: every
// folder but the registered install folder.
bool FoundByName(const ResidualItem& item) {
  return item.label != kLabelRegisteredInstall && item.label != kLabelInferredInstall;
}

}  // namespace

OtherPrograms::OtherPrograms(const RegisteredSoftware& program, const std::vector<RegisteredSoftware>& installed,
                             const std::function<bool()>& keepGoing) {
  LocationReader reader;
  std::vector<std::wstring> installerProducts;
  std::vector<bool> installerOwnKey;
  const std::wstring programKey = RegistryKeyNameFromId(Utf8ToUtf16(program.id));
  for (const RegisteredSoftware& other : installed) {
    if (other.id == program.id) continue;
    const std::wstring otherKey = RegistryKeyNameFromId(Utf8ToUtf16(other.id));
    const bool ownKey = IsOwnKeyInOtherView(program, programKey, other, otherKey);
    const std::wstring location = Utf8ToUtf16(other.installLocation);
    AddLocation(reader, location, false, ownKey, true);
    std::wstring exe = other.mainExecutablePath;
    if (exe.empty()) exe = ExecutableTextOf(other.displayIcon);
    if (exe.empty()) exe = ExecutableTextOf(other.uninstallCommand);
    AddLocation(reader, exe, true, ownKey, false);
    if (other.windowsInstaller && TrimPath(location).empty()) {
      installerProducts.push_back(otherKey);
      installerOwnKey.push_back(ownKey);
    }
    if (ownKey) continue;
    FragmentList names;
    AddNameFragments(names, Utf8ToUtf16(other.displayName), {}, kConfidenceHigh);
    AddNameFragments(names, otherKey, {}, kConfidenceHigh);
    AddNameFragments(names, FileStem(exe), {}, kConfidenceHigh);
    for (IdentityFragment& name : names) nameKeys_.insert(std::move(name.key));
  }
  const InstallerFolders records = ReadInstallerFolders(installerProducts, keepGoing);
  for (size_t n = 0; n < installerProducts.size(); ++n) {
    const auto folders = records.byProduct.find(installerProducts[n]);
    if (folders == records.byProduct.end()) {
      if (!records.complete && !installerOwnKey[n]) unreadable_ = true;
      continue;
    }
    for (const std::wstring& folder : folders->second) AddLocation(reader, folder, false, installerOwnKey[n], true);
  }
  const ProtectedLocations protectedLocations;
  for (Location& location : locations_) location.shared = protectedLocations.Protects(location.folded);
}

void OtherPrograms::AddLocation(LocationReader& reader, std::wstring_view text, bool executable, bool ownKey,
                                bool countUnreadable) {
  const RegisteredLocation location = reader.Read(text);
  if (location.kind == LocationKind::kUnreadable && countUnreadable && !ownKey) unreadable_ = true;
  for (const std::wstring& form : location.forms) {
    std::wstring folded = FoldPathCase(form);
    if (added_.insert(folded + (executable ? L"|e" : L"|f") + (ownKey ? L"o" : L"")).second) {
      locations_.push_back({std::move(folded), executable, ownKey, false});
    }
  }
}

bool OtherPrograms::HasLocationAtOrInside(std::wstring_view path) const {
  const std::wstring folded = FoldPathCase(CanonicalizePath(path));
  if (folded.empty()) return false;
  for (const Location& location : locations_) {
    if (IsFoldedAtOrInside(location.folded, folded)) return true;
  }
  return false;
}

bool OtherPrograms::NamesExecutable(std::wstring_view path) const {
  for (const std::wstring& form : ReadRegisteredLocation(path).forms) {
    const std::wstring folded = FoldPathCase(form);
    for (const Location& location : locations_) {
      if (location.executable && !location.ownKey && location.folded == folded) return true;
    }
  }
  return false;
}

bool OtherPrograms::LeadsInto(std::wstring_view target) const {
  for (const std::wstring& form : ReadRegisteredLocation(target).forms) {
    const std::wstring folded = FoldPathCase(form);
    for (const Location& location : locations_) {
      if (location.ownKey) continue;
      const bool leads = location.executable ? location.folded == folded
                                             : !location.shared && IsFoldedAtOrInside(folded, location.folded);
      if (leads) return true;
    }
  }
  return false;
}

bool OtherPrograms::MayNeed(const ResidualItem& item) const {
  const std::wstring path = Utf8ToUtf16(item.path);
  if (item.kind == kKindShortcut) return LeadsInto(Utf8ToUtf16(item.targetPath));
  if (unreadable_ || HasLocationAtOrInside(path)) return true;
  return FoundByName(item) && nameKeys_.count(NormalizeNameKey(PathFileName(path))) != 0;
}

}  // namespace nubo
