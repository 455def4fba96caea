#pragma once

#include <string>
#include <vector>

namespace nubo {

// The answer of the uninstaller launch, the cleanup and the reveal: refusals
// are results with a message, not exceptions. Texts and paths in UTF-8.
struct SoftwareOperationResult {
  bool succeeded = false;
  std::string message;
  std::vector<std::string> removedPaths;
  std::vector<std::string> failedPaths;
};

}  // namespace nubo
