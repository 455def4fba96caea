#include "maintenance/software/cleanup_plan.h"

#include <windows.h>
#include <bcrypt.h>

#include <stdexcept>

#include "maintenance/software/file_identity.h"
#include "maintenance/software/path_rules.h"
#include "maintenance/software/plan_limits.h"
#include "maintenance/software/plan_texts.h"
#include "store/hex_text.h"
#include "store/text_convert.h"

namespace nubo {
namespace {

// Plan paths were written from UTF-16, so this only fails for a record that
// was damaged; such a path then verifies as nothing.
std::wstring WidePathOrEmpty(std::string_view path) {
  try {
    return Utf8ToUtf16(path);
  } catch (const std::exception&) {
    return {};
  }
}

}  // namespace

std::string CreatePlanToken() {
  uint8_t bytes[kPlanTokenBytes] = {};
  if (!BCRYPT_SUCCESS(BCryptGenRandom(nullptr, bytes, sizeof bytes, BCRYPT_USE_SYSTEM_PREFERRED_RNG))) {
    throw std::runtime_error(std::string(kPlanTokenFailed));
  }
  return ToLowerHex(bytes, sizeof bytes);
}

bool VerifyResidualItem(const ResidualItem& item) {
  if (item.identity.empty()) return false;
  const std::wstring path = WidePathOrEmpty(item.path);
  if (path.empty() || GetFileIdentity(path) != item.identity) return false;
  if (item.kind != "shortcut") return true;
  if (item.targetPath.empty()) return false;
  const std::wstring target = ResolveShortcutTarget(path);
  if (target.empty() || !PathsEqual(target, WidePathOrEmpty(item.targetPath))) return false;
  // The shortcut must not have been rewritten while it was being resolved.
  return GetFileIdentity(path) == item.identity;
}

bool IsResidualGone(std::wstring_view path) {
  if (!IsOnLocalDrive(path)) return false;
  const std::wstring parent = ParentDirectory(path);
  if (parent.empty() || !CheckPathAttributes(parent)) return false;
  const std::wstring text(path);
  if (GetFileAttributesW(text.c_str()) != INVALID_FILE_ATTRIBUTES) return false;
  const DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

nlohmann::json SoftwareCleanupPlanToJson(const SoftwareCleanupPlan& plan) {
  nlohmann::json residuals = nlohmann::json::array();
  for (const ResidualItem& item : plan.residuals) residuals.push_back(ResidualItemToJson(item));
  return {{"token", plan.token},
          {"softwareId", plan.softwareId},
          {"displayName", plan.displayName},
          {"scanTruncated", plan.scanTruncated},
          {"scanWarnings", plan.scanWarnings},
          {"residuals", std::move(residuals)}};
}

nlohmann::json ResidualItemToJson(const ResidualItem& item) {
  return {{"path", item.path},
          {"targetPath", item.targetPath},
          {"label", item.label},
          {"kind", item.kind},
          {"evidence", item.evidence},
          {"confidence", item.confidence},
          {"sizeBytes", item.sizeBytes},
          {"itemCount", item.itemCount},
          {"sizeTruncated", item.sizeTruncated},
          {"defaultSelected", item.defaultSelected},
          {"personalData", item.personalData}};
}

nlohmann::json SoftwareOperationResultToJson(const SoftwareOperationResult& result) {
  return {{"succeeded", result.succeeded},
          {"message", result.message},
          {"removedPaths", result.removedPaths},
          {"failedPaths", result.failedPaths}};
}

}  // namespace nubo
