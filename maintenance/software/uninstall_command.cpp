#include "maintenance/software/uninstall_command.h"

#include <windows.h>

#include <vector>

#include "maintenance/software/file_identity.h"
#include "maintenance/software/path_rules.h"
#include "maintenance/software/uninstall_command_text.h"
#include "maintenance/software/uninstall_limits.h"

namespace nubo {
namespace {

constexpr wchar_t kInstallerName[] = L"msiexec.exe";

// The expanded text, or empty when it is empty or does not fit.
std::wstring ExpandReferences(std::wstring_view command) {
  const std::wstring source(command);
  std::vector<wchar_t> buffer(kUninstallExpandUnits, L'\0');
  const DWORD count = ExpandEnvironmentStringsW(source.c_str(), buffer.data(), kUninstallExpandUnits);
  if (count < 1 || count > kUninstallExpandUnits - 1) return {};
  return std::wstring(buffer.data());
}

std::wstring SystemInstallerPath() {
  wchar_t folder[kSystemFolderUnits] = {};
  const UINT length = GetSystemDirectoryW(folder, kSystemFolderUnits);
  if (length < 1 || length > kSystemFolderUnits - 1) return {};
  return std::wstring(folder, length) + L"\\" + kInstallerName;
}

// The identity takes the local-drive test first, so no other drive is touched.
bool IsExistingLocalFile(const std::wstring& path) {
  if (GetFileIdentity(path).empty()) return false;
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace

bool ParseUninstallCommand(std::wstring_view command, std::wstring& exePath, std::wstring& arguments) {
  if (!IsAcceptableUninstallText(command)) return false;
  const std::wstring expanded = ExpandReferences(command);
  std::wstring executable;
  std::wstring rest;
  if (!SplitUninstallCommand(expanded, executable, rest)) return false;
  if (_wcsicmp(executable.c_str(), kInstallerName) == 0) {
    executable = SystemInstallerPath();
    if (executable.empty()) return false;
  }
  if (!IsExistingLocalFile(executable)) return false;
  const std::wstring canonical = CanonicalizePath(executable);
  if (canonical.empty()) return false;
  exePath = canonical;
  arguments = std::move(rest);
  return true;
}

}  // namespace nubo
