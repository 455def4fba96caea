#include "maintenance/software/residual_discovery.h"

namespace nubo {

std::vector<ResidualItem> BuildResidualCandidates(const RegisteredSoftware&, const std::vector<RegisteredSoftware>&,
                                                  ScanBudget&) {
  return {};
}

std::vector<std::wstring> OtherProgramLocations(const RegisteredSoftware&, const std::vector<RegisteredSoftware>&) {
  return {};
}

bool ContainsOtherRegisteredSoftware(std::wstring_view, const std::vector<std::wstring>&) { return true; }

}  // namespace nubo
