#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "maintenance/software/product_identity.h"
#include "maintenance/software/residual_item.h"
#include "maintenance/software/scan_budget.h"

namespace nubo {

class OtherPrograms;

// The steps of the leftover discovery, each bound by the scan's budget.

// The budget's checks before one more leftover: time, file items,
// cancellation, and room in the plan (else the display-limit warning).
bool HasRoom(const std::vector<ResidualItem>& items, ScanBudget& budget);

// Appends the path as one leftover when it is local, readable, not protected,
// not yet listed and has an identity; true when it was appended.
bool AddResidualItem(std::vector<ResidualItem>& items, std::wstring_view path, std::string_view label,
                     std::string_view kind, std::string_view evidence, std::string_view confidence,
                     bool defaultSelected, bool personalData, ScanBudget* budget);

// The shortcuts of a folder and its subfolders (to the budget's depth) that
// lead to the program.
void ScanShortcutFolder(std::vector<ResidualItem>& items, std::wstring_view folder, std::string_view label,
                        const RegistrationIdentity& identity, ScanBudget& budget, uint32_t depth);

// The entries one level below root named after the product.
void ScanRestrictedFolder(std::vector<ResidualItem>& items, std::wstring_view root, std::string_view label,
                          std::string_view kind, bool personalData, bool includeShortcuts,
                          const ProductIdentity& identity, ScanBudget& budget);

// The entries named after the product inside folders below root named after
// the publisher.
void ScanPublisherFolder(std::vector<ResidualItem>& items, std::wstring_view root, std::string_view label,
                         std::string_view kind, bool personalData, const ProductIdentity& identity,
                         ScanBudget& budget);

// Inside Program Files (either) or the user's own program folder.
bool RateInstallLocation(std::wstring_view path);

// Neither protected nor, for a folder, Windows' own data: a place a leftover
// may be offered or moved from.
bool IsOfferableLocation(std::wstring_view path, std::string_view kind);

// A leftover that another program may need (OtherPrograms::MayNeed); adds
// the shared-folder warning.
bool HoldsOtherRegisteredSoftware(const ResidualItem& item, const OtherPrograms& others, ScanBudget& budget);

}  // namespace nubo
