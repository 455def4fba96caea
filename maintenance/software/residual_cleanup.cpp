#include "maintenance/software/software_service.h"

namespace nubo {

SoftwareOperationResult SoftwareService::CleanupResiduals(const std::string&, const std::string&,
                                                          const std::vector<std::string>&, bool) {
  return {};
}

SoftwareOperationResult SoftwareService::RevealResidual(const std::string&, const std::string&) { return {}; }

}  // namespace nubo
