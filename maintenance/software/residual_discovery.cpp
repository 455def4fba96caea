#include "maintenance/software/residual_discovery.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>

#include "maintenance/software/discovery_steps.h"
#include "maintenance/software/path_rules.h"
#include "maintenance/software/product_identity.h"
#include "maintenance/software/residual_texts.h"
#include "maintenance/software/software_texts.h"
#include "store/file_utils.h"
#include "store/text_convert.h"

namespace nubo {
namespace {

struct ShortcutPlace {
  const KNOWNFOLDERID* folder;
  std::string_view label;
};
const ShortcutPlace kShortcutPlaces[] = {
    {&FOLDERID_Programs, kLabelUserStartMenu},
    {&FOLDERID_CommonPrograms, kLabelCommonStartMenu},
    {&FOLDERID_Desktop, kLabelUserDesktop},
    {&FOLDERID_PublicDesktop, kLabelPublicDesktop},
};

// The user's own program folder inside the local application data.
constexpr std::wstring_view kUserProgramsBelow = L"Programs";

struct DataPlace {
  const KNOWNFOLDERID* folder;
  std::wstring_view below;  // a subfolder of the known folder, or empty
  std::string_view label;
  std::string_view kind;
  bool personalData;
};
const DataPlace kRestrictedPlaces[] = {
    {&FOLDERID_Profile, L"", kLabelProfile, kKindPersonal, true},
    {&FOLDERID_LocalAppData, L"", kLabelLocalAppData, kKindPersonal, true},
    {&FOLDERID_RoamingAppData, L"", kLabelRoamingAppData, kKindPersonal, true},
    {&FOLDERID_ProgramData, L"", kLabelProgramData, kKindPersonal, true},
    {&FOLDERID_LocalAppData, kUserProgramsBelow, kLabelUserPrograms, kKindProgram, false},
};
const DataPlace kPublisherPlaces[] = {
    {&FOLDERID_LocalAppData, L"", kLabelPublisherLocal, kKindPersonal, true},
    {&FOLDERID_RoamingAppData, L"", kLabelPublisherRoaming, kKindPersonal, true},
    {&FOLDERID_ProgramData, L"", kLabelPublisherShared, kKindPersonal, true},
};

// A known folder or a subfolder of it; empty when the folder does not resolve.
std::wstring KnownFolderBelow(REFKNOWNFOLDERID id, std::wstring_view below) {
  const std::wstring folder = GetKnownFolderPath(id);
  if (folder.empty() || below.empty()) return folder;
  return JoinPath(folder, below);
}

void AddInstallDirectory(std::vector<ResidualItem>& items, const RegisteredSoftware& program,
                         const std::wstring& install, const RegistrationIdentity& registration,
                         const OtherLocationSet& others, ScanBudget& budget) {
  if (FindIdentityFragment(PathFileName(install), registration.fragments) == nullptr) {
    budget.AddWarning(kWarnInstallUnverified, false);
    return;
  }
  if (registration.installLocation.empty() || others.IsAtOrInside(install)) return;
  const bool inferred = program.installLocationInferred;
  AddResidualItem(items, install, inferred ? kLabelInferredInstall : kLabelRegisteredInstall, kKindProgram,
                  inferred ? kEvidenceInferredInstall : kEvidenceRegisteredInstall,
                  RateInstallLocation(install) ? kConfidenceHigh : kConfidenceMedium, false, false, &budget);
}

}  // namespace

std::vector<ResidualItem> BuildResidualCandidates(const RegisteredSoftware& program,
                                                  const std::vector<RegisteredSoftware>& installed,
                                                  ScanBudget& budget) {
  const ProductIdentity product = CollectProductIdentity(program);
  const RegistrationIdentity registration = CollectRegistryIdentity(program);
  const OtherLocationSet others(OtherProgramLocations(program, installed));
  std::vector<ResidualItem> items;

  for (const ShortcutPlace& place : kShortcutPlaces) {
    if (!HasRoom(items, budget)) break;
    const std::wstring folder = GetKnownFolderPath(*place.folder);
    if (folder.empty()) {
      budget.AddWarning(kWarnShortcutFolderMissing, true);
      continue;
    }
    ScanShortcutFolder(items, folder, place.label, registration, budget, 0);
  }

  const std::wstring install = TrimPath(Utf8ToUtf16(program.installLocation));
  if (!install.empty()) AddInstallDirectory(items, program, install, registration, others, budget);

  for (const DataPlace& place : kRestrictedPlaces) {
    const std::wstring root = KnownFolderBelow(*place.folder, place.below);
    if (root.empty()) continue;
    ScanRestrictedFolder(items, root, place.label, place.kind, place.personalData, false, product, budget);
  }
  for (const DataPlace& place : kPublisherPlaces) {
    const std::wstring root = KnownFolderBelow(*place.folder, place.below);
    if (root.empty()) continue;
    ScanPublisherFolder(items, root, place.label, place.kind, place.personalData, product, budget);
  }

  items.erase(std::remove_if(items.begin(), items.end(),
                             [&](const ResidualItem& item) {
                               return HoldsOtherRegisteredSoftware(item, others, budget);
                             }),
              items.end());
  if (!install.empty() && others.IsAtOrInside(install)) {
    budget.AddWarning(kWarnInstallShared, false);
  }
  return items;
}

std::vector<std::wstring> OtherProgramLocations(const RegisteredSoftware& program,
                                                const std::vector<RegisteredSoftware>& installed) {
  std::vector<std::wstring> locations;
  for (const RegisteredSoftware& other : installed) {
    if (other.id == program.id) continue;
    std::wstring location = TrimPath(Utf8ToUtf16(other.installLocation));
    if (!location.empty()) locations.push_back(std::move(location));
    if (!other.mainExecutablePath.empty()) locations.push_back(other.mainExecutablePath);
  }
  return locations;
}

bool ContainsOtherRegisteredSoftware(std::wstring_view path, const std::vector<std::wstring>& locations) {
  return OtherLocationSet(locations).IsAtOrInside(path);
}

OtherLocationSet::OtherLocationSet(const std::vector<std::wstring>& locations) {
  DriveTypeCache drives;
  for (const std::wstring& location : locations) {
    if (!IsOnLocalDrive(location, drives)) continue;
    std::wstring canonical = CanonicalizePath(location);
    if (canonical.empty()) continue;
    folded_.push_back(FoldPathCase(canonical));
    canonical_.push_back(std::move(canonical));
  }
}

bool OtherLocationSet::IsAtOrInside(std::wstring_view path) const {
  const std::wstring canonical = CanonicalizePath(path);
  if (canonical.empty()) return false;
  std::wstring prefix = FoldPathCase(canonical);
  if (prefix.back() != L'\\') prefix.push_back(L'\\');
  for (size_t n = 0; n < canonical_.size(); ++n) {
    if (_wcsicmp(canonical_[n].c_str(), canonical.c_str()) == 0) return true;
    if (folded_[n].size() > prefix.size() && folded_[n].compare(0, prefix.size(), prefix) == 0) return true;
  }
  return false;
}

bool RateInstallLocation(std::wstring_view path) {
  const std::wstring programFiles = GetKnownFolderPath(FOLDERID_ProgramFiles);
  const std::wstring programFilesX86 = GetKnownFolderPath(FOLDERID_ProgramFilesX86);
  const std::wstring userPrograms = KnownFolderBelow(FOLDERID_LocalAppData, kUserProgramsBelow);
  return (!programFiles.empty() && IsPathUnder(path, programFiles)) ||
         (!programFilesX86.empty() && IsPathUnder(path, programFilesX86)) ||
         (!userPrograms.empty() && IsPathUnder(path, userPrograms));
}

bool HoldsOtherRegisteredSoftware(const ResidualItem& item, const OtherLocationSet& others, ScanBudget& budget) {
  if (item.kind == kKindShortcut) return false;
  if (!others.IsAtOrInside(Utf8ToUtf16(item.path))) return false;
  budget.AddWarning(kWarnSharedFolder, false);
  return true;
}

}  // namespace nubo
