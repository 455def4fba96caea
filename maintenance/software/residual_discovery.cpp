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
    {&FOLDERID_LocalAppData, L"Programs", kLabelUserPrograms, kKindProgram, false},
};
const DataPlace kPublisherPlaces[] = {
    {&FOLDERID_LocalAppData, L"", kLabelPublisherLocal, kKindPersonal, true},
    {&FOLDERID_RoamingAppData, L"", kLabelPublisherRoaming, kKindPersonal, true},
    {&FOLDERID_ProgramData, L"", kLabelPublisherShared, kKindPersonal, true},
};

// The place's folder; empty when its known folder does not resolve.
std::wstring PlaceRoot(const DataPlace& place) {
  const std::wstring folder = GetKnownFolderPath(*place.folder);
  if (folder.empty() || place.below.empty()) return folder;
  return JoinPath(folder, place.below);
}

std::wstring UserProgramsFolder() {
  const std::wstring local = GetKnownFolderPath(FOLDERID_LocalAppData);
  return local.empty() ? std::wstring() : JoinPath(local, L"Programs");
}

void AddInstallDirectory(std::vector<ResidualItem>& items, const RegisteredSoftware& program,
                         const std::wstring& install, const RegistrationIdentity& registration,
                         const std::vector<std::wstring>& locations, ScanBudget& budget) {
  if (FindIdentityFragment(PathFileName(install), registration.fragments) == nullptr) {
    budget.AddWarning(kWarnInstallUnverified, false);
    return;
  }
  if (registration.installLocation.empty() || ContainsOtherRegisteredSoftware(install, locations)) return;
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
  const std::vector<std::wstring> locations = OtherProgramLocations(program, installed);
  std::vector<ResidualItem> items;

  for (const ShortcutPlace& place : kShortcutPlaces) {
    if (!budget.CheckDisplayLimit(static_cast<uint32_t>(items.size()))) break;
    const std::wstring folder = GetKnownFolderPath(*place.folder);
    if (folder.empty()) {
      budget.AddWarning(kWarnShortcutFolderMissing, true);
      continue;
    }
    ScanShortcutFolder(items, folder, place.label, registration, budget, 0);
  }

  const std::wstring install = TrimPath(Utf8ToUtf16(program.installLocation));
  if (!install.empty()) AddInstallDirectory(items, program, install, registration, locations, budget);

  for (const DataPlace& place : kRestrictedPlaces) {
    const std::wstring root = PlaceRoot(place);
    if (root.empty()) continue;
    ScanRestrictedFolder(items, root, place.label, place.kind, place.personalData, false, product, budget);
  }
  for (const DataPlace& place : kPublisherPlaces) {
    const std::wstring root = PlaceRoot(place);
    if (root.empty()) continue;
    ScanPublisherFolder(items, root, place.label, place.kind, place.personalData, product, budget);
  }

  items.erase(std::remove_if(items.begin(), items.end(),
                             [&](const ResidualItem& item) {
                               return HoldsOtherRegisteredSoftware(item, locations, budget);
                             }),
              items.end());
  if (!install.empty() && ContainsOtherRegisteredSoftware(install, locations)) {
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
  return std::any_of(locations.begin(), locations.end(), [&](const std::wstring& location) {
    return IsOnLocalDrive(location) && (PathsEqual(location, path) || IsPathUnder(location, path));
  });
}

bool RateInstallLocation(std::wstring_view path) {
  const std::wstring programFiles = GetKnownFolderPath(FOLDERID_ProgramFiles);
  const std::wstring programFilesX86 = GetKnownFolderPath(FOLDERID_ProgramFilesX86);
  const std::wstring userPrograms = UserProgramsFolder();
  return (!programFiles.empty() && IsPathUnder(path, programFiles)) ||
         (!programFilesX86.empty() && IsPathUnder(path, programFilesX86)) ||
         (!userPrograms.empty() && IsPathUnder(path, userPrograms));
}

bool HoldsOtherRegisteredSoftware(const ResidualItem& item, const std::vector<std::wstring>& locations,
                                  ScanBudget& budget) {
  if (item.kind == kKindShortcut) return false;
  if (!ContainsOtherRegisteredSoftware(Utf8ToUtf16(item.path), locations)) return false;
  budget.AddWarning(kWarnSharedFolder, false);
  return true;
}

}  // namespace nubo
