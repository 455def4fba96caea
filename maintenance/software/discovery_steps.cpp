#include "maintenance/software/discovery_steps.h"

#include <windows.h>

#include "maintenance/software/file_identity.h"
#include "maintenance/software/other_programs.h"
#include "maintenance/software/path_rules.h"
#include "maintenance/software/residual_texts.h"
#include "maintenance/software/scan_listing.h"
#include "maintenance/software/software_texts.h"
#include "store/text_convert.h"

namespace nubo {
namespace {

// A folder by its name, a shortcut file by its stem.
void AddWhenNamedAfter(std::vector<ResidualItem>& items, const ScanRootEntry& entry, const FragmentList& fragments,
                       std::string_view evidenceSuffix, std::string_view label, std::string_view kind,
                       bool personalData, ScanBudget& budget) {
  const IdentityFragment* fragment =
      FindIdentityFragment(entry.isDirectory ? entry.name : FileStem(entry.path), fragments);
  if (fragment == nullptr) return;
  const bool selected = kind == kKindShortcut && fragment->confidence == kConfidenceHigh;
  AddResidualItem(items, entry.path, label, kind, fragment->evidence + std::string(evidenceSuffix),
                  fragment->confidence, selected, personalData, &budget);
}

// Offers a shortcut that leads to the program; false when the budget ends
// the search.
bool TakeShortcut(std::vector<ResidualItem>& items, const ScanRootEntry& entry, std::string_view label,
                  const RegistrationIdentity& identity, ScanBudget& budget) {
  const std::wstring before = GetFileIdentity(entry.path);
  if (before.empty()) {
    budget.AddWarning(kWarnShortcutIdentity, true);
    return true;
  }
  const std::wstring target = ResolveShortcutTarget(entry.path);
  if (!budget.Check()) return false;
  if (target.empty()) {
    budget.AddWarning(kWarnShortcutTarget, true);
    return true;
  }
  if (!IsProductShortcutTarget(target, identity)) return true;
  if (GetFileIdentity(entry.path) != before) {
    budget.AddWarning(kWarnShortcutChanged, true);
    return true;
  }
  if (AddResidualItem(items, entry.path, label, kKindShortcut, kEvidenceShortcutTarget, kConfidenceHigh, true, false,
                      &budget)) {
    items.back().targetPath = Utf16ToUtf8(target);
  }
  return true;
}

}  // namespace

bool HasRoom(const std::vector<ResidualItem>& items, ScanBudget& budget) {
  return budget.CheckDisplayLimit(static_cast<uint32_t>(items.size()));
}

bool AddResidualItem(std::vector<ResidualItem>& items, std::wstring_view path, std::string_view label,
                     std::string_view kind, std::string_view evidence, std::string_view confidence,
                     bool defaultSelected, bool personalData, ScanBudget* budget) {
  if (budget != nullptr && !HasRoom(items, *budget)) return false;
  const std::wstring canonical = CanonicalizePath(TrimPath(path));
  if (canonical.empty() || !IsOnLocalDrive(canonical) ||
      GetFileAttributesW(canonical.c_str()) == INVALID_FILE_ATTRIBUTES || !IsOfferableLocation(canonical, kind)) {
    return false;
  }
  for (const ResidualItem& item : items) {
    if (PathsEqual(Utf8ToUtf16(item.path), canonical)) return false;
  }
  const std::wstring identity = GetFileIdentity(canonical);
  if (identity.empty()) {
    if (budget != nullptr) budget->AddWarning(kWarnItemIdentity, true);
    return false;
  }
  // Sizes are timed on the operation's clock.
  const TickSource32 tick = [budget] {
    return budget != nullptr ? static_cast<uint32_t>(budget->Now()) : SystemTick32();
  };
  MeasureResult size;
  MeasureDirectory(canonical, size, tick(), budget, tick);
  if (size.sizeTruncated && budget != nullptr) budget->AddWarning(kWarnSizeIncomplete, false);

  ResidualItem item;
  item.path = Utf16ToUtf8(canonical);
  item.label = label;
  item.kind = kind;
  item.evidence = evidence;
  item.confidence = confidence;
  item.sizeBytes = size.sizeBytes;
  item.itemCount = size.itemCount;
  item.sizeTruncated = size.sizeTruncated;
  item.defaultSelected = defaultSelected;
  item.personalData = personalData;
  item.identity = identity;
  items.push_back(std::move(item));
  return true;
}

void ScanShortcutFolder(std::vector<ResidualItem>& items, std::wstring_view folder, std::string_view label,
                        const RegistrationIdentity& identity, ScanBudget& budget, uint32_t depth) {
  if (!HasRoom(items, budget)) return;
  for (const ScanRootEntry& entry : EnumerateScanRoot(folder, true, &budget)) {
    if (!HasRoom(items, budget)) return;
    if (entry.isDirectory) {
      if (depth < budget.maxDepth) {
        ScanShortcutFolder(items, entry.path, label, identity, budget, depth + 1);
      } else {
        budget.AddWarning(kWarnShortcutDepth, true);
      }
      continue;
    }
    if (!TakeShortcut(items, entry, label, identity, budget)) return;
  }
}

void ScanRestrictedFolder(std::vector<ResidualItem>& items, std::wstring_view root, std::string_view label,
                          std::string_view kind, bool personalData, bool includeShortcuts,
                          const ProductIdentity& identity, ScanBudget& budget) {
  for (const ScanRootEntry& entry : EnumerateScanRoot(root, includeShortcuts, &budget)) {
    if (!HasRoom(items, budget)) return;
    AddWhenNamedAfter(items, entry, identity.productFragments, kEvidenceRestrictedSuffix, label, kind, personalData,
                      budget);
  }
}

void ScanPublisherFolder(std::vector<ResidualItem>& items, std::wstring_view root, std::string_view label,
                         std::string_view kind, bool personalData, const ProductIdentity& identity,
                         ScanBudget& budget) {
  for (const ScanRootEntry& publisher : EnumerateScanRoot(root, false, &budget)) {
    if (!HasRoom(items, budget)) return;
    // A protected folder or Windows' own data is never entered as a publisher's.
    if (!publisher.isDirectory || FindIdentityFragment(publisher.name, identity.publisherFragments) == nullptr ||
        !IsOfferableLocation(publisher.path, kKindPersonal)) {
      continue;
    }
    for (const ScanRootEntry& entry : EnumerateScanRoot(publisher.path, kind == kKindShortcut, &budget)) {
      if (!HasRoom(items, budget)) return;
      AddWhenNamedAfter(items, entry, identity.productFragments, kEvidencePublisherSuffix, label, kind, personalData,
                        budget);
    }
  }
}

bool IsOfferableLocation(std::wstring_view path, std::string_view kind) {
  return !IsProtectedLocation(path) && (kind == kKindShortcut || !IsWindowsDataLocation(path));
}

bool HoldsOtherRegisteredSoftware(const ResidualItem& item, const OtherPrograms& others, ScanBudget& budget) {
  if (!others.MayNeed(item)) return false;
  budget.AddWarning(kWarnSharedFolder, false);
  return true;
}

}  // namespace nubo
