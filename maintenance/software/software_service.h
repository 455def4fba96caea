#pragma once

#include <vector>

#include "maintenance/software/software_inventory.h"

namespace nubo {

// The installed-software manager.
class SoftwareService {
 public:
  // The programs the workbench lists: every registered one that is not a
  // system component, sorted by display name.
  std::vector<SoftwareEntry> ListSoftware() const;
};

}  // namespace nubo
