#include "store/app_folder.h"

#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

#include <stdexcept>

#include "store/app_files.h"
#include "store/file_utils.h"
#include "store/win_handles.h"

namespace nubo {
namespace {

constexpr char kLocalAppDataMissing[] = "Unable to locate LocalAppData.";
constexpr char kExecutableDirectoryMissing[] = "Unable to locate the executable directory.";

}  // namespace

std::wstring ResolveAppDataDirectory() {
  CoTaskMemPtr<wchar_t> knownFolder;
  const HRESULT hr = SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_CREATE, nullptr,
                                          knownFolder.out());
  if (FAILED(hr) || knownFolder.get() == nullptr) throw std::runtime_error(kLocalAppDataMissing);
  return ResolveAppDataDirectoryUnder(knownFolder.get());
}

std::wstring ResolveAppDataDirectoryUnder(const std::wstring& knownFolderRoot) {
  const std::wstring appFolder = JoinPath(knownFolderRoot, kAppFolderName);
  const std::wstring legacyFolder = JoinPath(knownFolderRoot, kLegacyFolderName);
  EnsureDirectory(appFolder);

  if (!FileExists(JoinPath(appFolder, kDatabaseFileName)) &&
      FileExists(JoinPath(legacyFolder, kLegacyDatabaseFileName))) {
    CopyFileIfMissing(legacyFolder, appFolder, kLegacyDatabaseFileName, kDatabaseFileName);
    CopyFileIfMissing(legacyFolder, appFolder, kLegacyDatabaseWalFileName, kDatabaseWalFileName);
  }
  CopyFileIfMissing(legacyFolder, appFolder, kOnboardingMarkerFileName, kOnboardingMarkerFileName);
  return appFolder;
}

void CopyFileIfMissing(const std::wstring& legacyFolder, const std::wstring& appFolder,
                       const std::wstring& sourceName, const std::wstring& targetName) {
  const std::wstring source = JoinPath(legacyFolder, sourceName);
  const std::wstring target = JoinPath(appFolder, targetName);
  if (!FileExists(source) || FileExists(target)) return;
  CopyFileW(source.c_str(), target.c_str(), TRUE);
}

std::wstring GetExecutableDirectory() {
  std::wstring buffer(512, L'\0');
  DWORD length = 0;
  for (;;) {
    length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) throw std::runtime_error(kExecutableDirectoryMissing);
    if (length < buffer.size() - 1) break;
    buffer.resize(buffer.size() * 2);
  }
  buffer.resize(length);
  const size_t lastSeparator = buffer.find_last_of(L"\\/");
  if (lastSeparator == std::wstring::npos) throw std::runtime_error(kExecutableDirectoryMissing);
  buffer.resize(lastSeparator);
  return buffer;
}

}  // namespace nubo
