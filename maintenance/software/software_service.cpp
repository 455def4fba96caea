#include "maintenance/software/software_service.h"

namespace nubo {

std::vector<SoftwareEntry> SoftwareService::ListSoftware() const {
  std::vector<SoftwareEntry> entries;
  for (RegisteredSoftware& program : ReadInstalledSoftware({})) {
    if (!program.systemComponent) entries.push_back(std::move(static_cast<SoftwareEntry&>(program)));
  }
  return entries;
}

}  // namespace nubo
