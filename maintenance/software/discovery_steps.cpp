#include "maintenance/software/discovery_steps.h"

#include <windows.h>

#include "maintenance/software/file_identity.h"
#include "maintenance/software/path_rules.h"
#include "maintenance/software/residual_texts.h"
#include "maintenance/software/scan_listing.h"
#include "maintenance/software/software_texts.h"
#include "store/text_convert.h"

namespace nubo {
namespace {

// False ends a listing loop: the budget ran out or the plan is full.
bool MayTakeNextEntry(const std::vector<ResidualItem>& items, ScanBudget& budget) {
  if (!budget.Check()) return false;
  if (items.size() >= budget.displayLimit) {
    budget.AddWarning(kWarnDisplayLimit, true);
    return false;
  }
  return true;
}

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

void TakeShortcut(std::vector<ResidualItem>& items, const ScanRootEntry& entry, std::string_view label,
                  const RegistrationIdentity& identity, ScanBudget& budget, bool& stop) {
  const std::wstring before = GetFileIdentity(entry.path);
  if (before.empty()) {
    budget.AddWarning(kWarnShortcutIdentity, true);
    return;
  }
  const std::wstring target = ResolveShortcutTarget(entry.path);
  if (!budget.Check()) {
    stop = true;
    return;
  }
  if (target.empty()) {
    budget.AddWarning(kWarnShortcutTarget, true);
    return;
  }
  if (!IsProductShortcutTarget(target, identity)) return;
  if (GetFileIdentity(entry.path) != before) {
    budget.AddWarning(kWarnShortcutChanged, true);
    return;
  }
  if (AddResidualItem(items, entry.path, label, kKindShortcut, kEvidenceShortcutTarget, kConfidenceHigh, true, false,
                      &budget)) {
    items.back().targetPath = Utf16ToUtf8(target);
  }
}

}  // namespace

bool AddResidualItem(std::vector<ResidualItem>& items, std::wstring_view path, std::string_view label,
                     std::string_view kind, std::string_view evidence, std::string_view confidence,
                     bool defaultSelected, bool personalData, ScanBudget* budget) {
  if (budget != nullptr && !budget->CheckDisplayLimit(static_cast<uint32_t>(items.size()))) return false;
  const std::wstring canonical = CanonicalizePath(TrimPath(path));
  if (canonical.empty() || !IsOnLocalDrive(canonical) ||
      GetFileAttributesW(canonical.c_str()) == INVALID_FILE_ATTRIBUTES || IsProtectedLocation(canonical)) {
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
  MeasureResult size;
  MeasureDirectory(canonical, size, SystemTick32(), budget);
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
  if (!budget.CheckDisplayLimit(static_cast<uint32_t>(items.size()))) return;
  for (const ScanRootEntry& entry : EnumerateScanRoot(folder, true, &budget)) {
    if (!MayTakeNextEntry(items, budget)) return;
    if (entry.isDirectory) {
      if (depth < budget.maxDepth) {
        ScanShortcutFolder(items, entry.path, label, identity, budget, depth + 1);
      } else {
        budget.AddWarning(kWarnShortcutDepth, true);
      }
      continue;
    }
    bool stop = false;
    TakeShortcut(items, entry, label, identity, budget, stop);
    if (stop) return;
  }
}

void ScanRestrictedFolder(std::vector<ResidualItem>& items, std::wstring_view root, std::string_view label,
                          std::string_view kind, bool personalData, bool includeShortcuts,
                          const ProductIdentity& identity, ScanBudget& budget) {
  for (const ScanRootEntry& entry : EnumerateScanRoot(root, includeShortcuts, &budget)) {
    if (!MayTakeNextEntry(items, budget)) return;
    AddWhenNamedAfter(items, entry, identity.productFragments, kEvidenceRestrictedSuffix, label, kind, personalData,
                      budget);
  }
}

void ScanPublisherFolder(std::vector<ResidualItem>& items, std::wstring_view root, std::string_view label,
                         std::string_view kind, bool personalData, const ProductIdentity& identity,
                         ScanBudget& budget) {
  for (const ScanRootEntry& publisher : EnumerateScanRoot(root, false, &budget)) {
    if (!MayTakeNextEntry(items, budget)) return;
    if (!publisher.isDirectory || FindIdentityFragment(publisher.name, identity.publisherFragments) == nullptr) {
      continue;
    }
    for (const ScanRootEntry& entry : EnumerateScanRoot(publisher.path, kind == kKindShortcut, &budget)) {
      if (!MayTakeNextEntry(items, budget)) return;
      AddWhenNamedAfter(items, entry, identity.productFragments, kEvidencePublisherSuffix, label, kind, personalData,
                        budget);
    }
  }
}

}  // namespace nubo
