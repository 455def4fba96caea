#include "maintenance/software/registered_location.h"

#include <windows.h>

#include <cwctype>

#include "maintenance/software/file_identity.h"
#include "maintenance/software/path_rules.h"
#include "maintenance/software/software_limits.h"
#include "store/win_handles.h"

namespace nubo {
namespace {

// The Win32 file and device namespaces and the NT one all lead to the same
// drive paths.
constexpr std::wstring_view kNamespacePrefixes[] = {L"\\\\?\\", L"\\\\.\\", L"\\??\\"};
constexpr std::wstring_view kUncBelowPrefix = L"UNC\\";

bool StartsWithFolded(std::wstring_view text, std::wstring_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (std::towlower(text[i]) != std::towlower(prefix[i])) return false;
  }
  return true;
}

// "\\?\C:\x" -> "C:\x", "\\?\UNC\host\x" -> "\\host\x".
std::wstring WithoutNamespace(std::wstring path) {
  for (std::wstring_view prefix : kNamespacePrefixes) {
    if (path.compare(0, prefix.size(), prefix) != 0) continue;
    path.erase(0, prefix.size());
    if (StartsWithFolded(path, kUncBelowPrefix)) path.replace(0, kUncBelowPrefix.size(), L"\\\\");
    break;
  }
  return path;
}

bool IsUnc(std::wstring_view path) { return path.size() > 2 && IsPathSeparator(path[0]) && IsPathSeparator(path[1]); }

bool Expand(std::wstring& path) {
  if (path.find(L'%') == std::wstring::npos) return true;
  std::vector<wchar_t> buffer(kPathBufferUnits);
  const DWORD length = ExpandEnvironmentStringsW(path.c_str(), buffer.data(), kPathBufferUnits);
  if (length == 0 || length > kPathBufferUnits) return false;
  path = TrimPath(buffer.data());
  return true;
}

}  // namespace

// The final path of the longest existing part with the rest appended; empty
// when nothing opens.
std::wstring LocationReader::LongFinalPath(const std::wstring& canonical) {
  const std::wstring key = FoldPathCase(canonical);
  const auto known = finalPaths_.find(key);
  if (known != finalPaths_.end()) return known->second;
  std::wstring final;
  const FileHandle file(CreateFileW(canonical.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (file) {
    final = CanonicalizePath(FinalPathOfHandle(file.get()));
  } else if (const DWORD error = GetLastError(); error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
    const size_t separator = canonical.find_last_of(L'\\');
    if (separator != std::wstring::npos && separator >= 2 && canonical.size() > 3) {
      const std::wstring parent = LongFinalPath(canonical.substr(0, separator == 2 ? 3 : separator));
      if (!parent.empty()) final = CanonicalizePath(parent + canonical.substr(separator));
    }
  }
  finalPaths_.emplace(key, final);
  return final;
}

RegisteredLocation ReadRegisteredLocation(std::wstring_view text) { return LocationReader().Read(text); }

RegisteredLocation LocationReader::Read(std::wstring_view text) {
  std::wstring path = TrimPath(text);
  if (path.empty()) return {};
  if (!Expand(path)) return {LocationKind::kUnreadable, {}};
  path = WithoutNamespace(std::move(path));
  if (IsDriveAbsolute(path) && !IsOnLocalDrive(path)) {
    if (std::wstring share = shares_.ThroughConnection(path); !share.empty()) path = std::move(share);
  }
  if (IsUnc(path)) {
    ShareTarget target = shares_.Resolve(CanonicalizePath(path));
    if (target.reach == ShareTarget::kElsewhere) return {LocationKind::kElsewhere, {}};
    if (target.reach == ShareTarget::kUnknown) return {LocationKind::kUnreadable, {}};
    path = std::move(target.path);
  }
  if (!IsDriveAbsolute(path)) return {LocationKind::kUnreadable, {}};
  if (!IsOnLocalDrive(path)) return {LocationKind::kElsewhere, {}};
  const std::wstring canonical = CanonicalizePath(path);
  if (canonical.empty()) return {LocationKind::kUnreadable, {}};
  RegisteredLocation location{LocationKind::kLocal, {canonical}};
  const std::wstring longForm = LongFinalPath(canonical);
  if (!longForm.empty() && _wcsicmp(longForm.c_str(), canonical.c_str()) != 0) location.forms.push_back(longForm);
  return location;
}

}  // namespace nubo
