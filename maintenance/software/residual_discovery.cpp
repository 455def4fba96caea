#include "maintenance/software/residual_discovery.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>

#include "maintenance/software/discovery_steps.h"
#include "maintenance/software/other_programs.h"
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
                         const OtherPrograms& others, ScanBudget& budget) {
  if (FindIdentityFragment(PathFileName(install), registration.fragments) == nullptr) {
    budget.AddWarning(kWarnInstallUnverified, false);
    return;
  }
  if (registration.installLocation.empty() || others.HasLocationAtOrInside(install)) return;
  const bool inferred = program.installLocationInferred;
  AddResidualItem(items, install, inferred ? kLabelInferredInstall : kLabelRegisteredInstall, kKindProgram,
                  inferred ? kEvidenceInferredInstall : kEvidenceRegisteredInstall,
                  RateInstallLocation(install) ? kConfidenceHigh : kConfidenceMedium, false, false, &budget);
}

// The program as its identity may be taken from: an executable inside the
// Windows folder, or one that another program names as its main executable
// too, says nothing of whose leftovers are whose, nor does the folder it was
// inferred from.
RegisteredSoftware WithoutSharedExecutable(const RegisteredSoftware& program, const OtherPrograms& others) {
  RegisteredSoftware subject = program;
  const std::wstring& exe = program.mainExecutablePath;
  if (exe.empty() || !(ProtectedLocations().IsInsideWindows(exe) || others.NamesExecutable(exe))) return subject;
  subject.mainExecutablePath.clear();
  if (subject.installLocationInferred) {
    subject.installLocation.clear();
    subject.installLocationInferred = false;
  }
  return subject;
}

}  // namespace

std::vector<ResidualItem> BuildResidualCandidates(const RegisteredSoftware& program,
                                                  const std::vector<RegisteredSoftware>& installed,
                                                  ScanBudget& budget) {
  const OtherPrograms others(program, installed, [&budget] { return budget.Check(); });
  const RegisteredSoftware subject = WithoutSharedExecutable(program, others);
  const ProductIdentity product = CollectProductIdentity(subject);
  const RegistrationIdentity registration = CollectRegistryIdentity(subject);
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

  const std::wstring install = TrimPath(Utf8ToUtf16(subject.installLocation));
  if (!install.empty()) AddInstallDirectory(items, subject, install, registration, others, budget);

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
  if (!install.empty() && others.HasLocationAtOrInside(install)) {
    budget.AddWarning(kWarnInstallShared, false);
  }
  return items;
}

bool RateInstallLocation(std::wstring_view path) {
  const std::wstring programFiles = GetKnownFolderPath(FOLDERID_ProgramFiles);
  const std::wstring programFilesX86 = GetKnownFolderPath(FOLDERID_ProgramFilesX86);
  const std::wstring userPrograms = KnownFolderBelow(FOLDERID_LocalAppData, kUserProgramsBelow);
  return (!programFiles.empty() && IsPathUnder(path, programFiles)) ||
         (!programFilesX86.empty() && IsPathUnder(path, programFilesX86)) ||
         (!userPrograms.empty() && IsPathUnder(path, userPrograms));
}

}  // namespace nubo
