#include "store/app_folder.h"

#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

#include <stdexcept>

#include "store/app_files.h"
#include "store/file_utils.h"
#include "store/store_texts.h"
#include "store/win_handles.h"

namespace nubo {

std::wstring ResolveAppDataDirectory() {
  CoTaskMemPtr<wchar_t> knownFolder;
  const HRESULT hr = SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_CREATE, nullptr,
                                          knownFolder.out());
  if (FAILED(hr) || knownFolder.get() == nullptr) {
    throw std::runtime_error(std::string(store_text::kLocalAppDataMissing));
  }
  return ResolveAppDataDirectoryUnder(knownFolder.get());
}

namespace {

// Numbered names tried when a journal is set aside.
constexpr int kSetAsideAttempts = 1000;

// Absent, or zero-length: what a start stopped before SQLite wrote its first
// page leaves holds nothing. Anything that cannot be read counts as data.
bool HoldsNoDatabase(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
  }
  return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && data.nFileSizeHigh == 0 &&
         data.nFileSizeLow == 0;
}

// Renames the file to the first free numbered name beside it; kept, never
// deleted. False when it is still in its place.
bool SetAside(const std::wstring& path) {
  if (!FileExists(path)) return true;
  for (int n = 1; n <= kSetAsideAttempts; ++n) {
    const std::wstring aside = path + kSetAsideSuffix + std::to_wstring(n);
    if (MoveFileExW(path.c_str(), aside.c_str(), MOVEFILE_WRITE_THROUGH)) return true;
    const DWORD error = GetLastError();
    if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) return false;
  }
  return false;
}

bool CopyAndFlush(const std::wstring& source, const std::wstring& target) {
  // The target is this program's own temporary name: one left by an
  // interrupted start is replaced.
  if (!CopyFileW(source.c_str(), target.c_str(), FALSE)) return false;
  const FileHandle file(
      CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return file && FlushFileBuffers(file.get());
}

bool MoveInto(const std::wstring& source, const std::wstring& target, DWORD flags) {
  return MoveFileExW(source.c_str(), target.c_str(), flags | MOVEFILE_WRITE_THROUGH) != FALSE;
}

// All or nothing: the copies are made under temporary names and renamed into
// place once complete, the database last, so a database in place is a
// complete copy. An interrupted migration is made again at the next start;
// the legacy folder is only read.
void MigrateLegacyDatabase(const std::wstring& legacyFolder, const std::wstring& appFolder) {
  const std::wstring database = JoinPath(appFolder, kDatabaseFileName);
  const std::wstring wal = JoinPath(appFolder, kDatabaseWalFileName);
  const std::wstring legacyDatabase = JoinPath(legacyFolder, kLegacyDatabaseFileName);
  const std::wstring legacyWal = JoinPath(legacyFolder, kLegacyDatabaseWalFileName);
  if (!HoldsNoDatabase(database) || !FileExists(legacyDatabase)) return;
  // Only an empty database in place may be replaced by the copy.
  const DWORD replace = FileExists(database) ? MOVEFILE_REPLACE_EXISTING : 0;
  // A journal without its database would be replayed onto the copy.
  if (!SetAside(wal) || !SetAside(JoinPath(appFolder, kDatabaseShmFileName))) return;

  const std::wstring databaseCopy = database + kMigratingSuffix;
  const std::wstring walCopy = wal + kMigratingSuffix;
  const bool hasWal = FileExists(legacyWal);
  bool walPlaced = false;
  bool placed = false;
  if (CopyAndFlush(legacyDatabase, databaseCopy) && (!hasWal || CopyAndFlush(legacyWal, walCopy))) {
    walPlaced = hasWal && MoveInto(walCopy, wal, 0);
    placed = (walPlaced || !hasWal) && MoveInto(databaseCopy, database, replace);
  }
  if (placed) return;
  // The copied journal must not meet a database that SQLite creates anew.
  if (walPlaced) DeleteFileQuietly(wal);
  DeleteFileQuietly(walCopy);
  DeleteFileQuietly(databaseCopy);
}

}  // namespace

std::wstring ResolveAppDataDirectoryUnder(const std::wstring& knownFolderRoot) {
  const std::wstring appFolder = JoinPath(knownFolderRoot, kAppFolderName);
  const std::wstring legacyFolder = JoinPath(knownFolderRoot, kLegacyFolderName);
  EnsureDirectory(appFolder);
  MigrateLegacyDatabase(legacyFolder, appFolder);
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

std::wstring GetExecutablePath() {
  std::wstring buffer(512, L'\0');
  DWORD length = 0;
  for (;;) {
    length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) throw std::runtime_error(std::string(store_text::kExecutableDirectoryMissing));
    if (length < buffer.size() - 1) break;
    buffer.resize(buffer.size() * 2);
  }
  buffer.resize(length);
  return buffer;
}

std::wstring GetExecutableDirectory() {
  std::wstring buffer = GetExecutablePath();
  const size_t lastSeparator = buffer.find_last_of(L"\\/");
  if (lastSeparator == std::wstring::npos) {
    throw std::runtime_error(std::string(store_text::kExecutableDirectoryMissing));
  }
  buffer.resize(lastSeparator);
  return buffer;
}

}  // namespace nubo
