#include "maintenance/software/path_rules.h"

#include <cwctype>
#include <vector>

#include "maintenance/software/software_limits.h"
#include "store/win_handles.h"

namespace nubo {

bool IsPathSeparator(wchar_t unit) { return unit == L'\\' || unit == L'/'; }

namespace {

bool IsAsciiLetter(wchar_t unit) { return (unit >= L'A' && unit <= L'Z') || (unit >= L'a' && unit <= L'z'); }

// "X:\..." or "\\...": input that GetFullPathNameW resolves without the
// current folder or the current folder of a drive.
bool IsAbsoluteInput(std::wstring_view path) {
  if (path.size() >= 3 && IsAsciiLetter(path[0]) && path[1] == L':' && IsPathSeparator(path[2])) return true;
  return path.size() >= 2 && IsPathSeparator(path[0]) && IsPathSeparator(path[1]);
}

bool Fails(DWORD error) {
  SetLastError(error);
  return false;
}

// The known folders whose loss would damage the profile or the system.
const KNOWNFOLDERID* const kProtectedFolders[] = {
    &FOLDERID_Profile,     &FOLDERID_Desktop,        &FOLDERID_PublicDesktop,  &FOLDERID_Programs,
    &FOLDERID_CommonPrograms, &FOLDERID_ProgramData, &FOLDERID_Documents,      &FOLDERID_Downloads,
    &FOLDERID_Pictures,    &FOLDERID_Music,          &FOLDERID_Videos,         &FOLDERID_Favorites,
    &FOLDERID_SavedGames,  &FOLDERID_RoamingAppData, &FOLDERID_LocalAppData,   &FOLDERID_ProgramFiles,
    &FOLDERID_ProgramFilesX86, &FOLDERID_Windows};
static_assert(sizeof(kProtectedFolders) / sizeof(kProtectedFolders[0]) == 18);
// Folders every program may share: the Common Files folders.
const KNOWNFOLDERID* const kSharedFolders[] = {&FOLDERID_ProgramFilesCommon, &FOLDERID_ProgramFilesCommonX86,
                                               &FOLDERID_UserProgramFilesCommon};
// Inside the local application data: the user's Common program folder (where
// its known folder does not resolve) and the temporary folder.
constexpr std::wstring_view kLocalSharedFolders[] = {L"Programs\\Common", L"Temp"};
// The folder Windows keeps its own data in, inside each application data folder.
constexpr std::wstring_view kWindowsDataFolder = L"Microsoft";
const KNOWNFOLDERID* const kApplicationDataFolders[] = {&FOLDERID_LocalAppData, &FOLDERID_RoamingAppData,
                                                        &FOLDERID_ProgramData};

std::wstring FoldedCanonical(std::wstring_view path) { return FoldPathCase(CanonicalizePath(path)); }

std::wstring TemporaryFolder() {
  std::vector<wchar_t> buffer(kPathBufferUnits);
  const DWORD length = GetTempPathW(kPathBufferUnits, buffer.data());
  if (length == 0 || length >= kPathBufferUnits) return {};
  return std::wstring(buffer.data(), length);
}

}  // namespace

std::wstring TrimPath(std::wstring_view path) {
  size_t begin = 0;
  size_t end = path.size();
  while (begin < end && std::iswspace(path[begin])) ++begin;
  while (end > begin && std::iswspace(path[end - 1])) --end;
  std::wstring text(path.substr(begin, end - begin));
  if (text.size() > 1 && text.front() == L'"' && text.back() == L'"') text = text.substr(1, text.size() - 2);
  while (text.size() > 3 && IsPathSeparator(text.back())) text.pop_back();
  return text;
}

std::wstring CanonicalizePath(std::wstring_view path) {
  if (path.empty() || !IsAbsoluteInput(path)) return {};
  const std::wstring input(path);
  std::vector<wchar_t> buffer(kPathBufferUnits);
  const DWORD length = GetFullPathNameW(input.c_str(), kPathBufferUnits, buffer.data(), nullptr);
  if (length == 0 || length > kPathBufferUnits - 1) return {};
  return TrimPath(std::wstring_view(buffer.data(), length));
}

bool PathsEqual(std::wstring_view a, std::wstring_view b) {
  const std::wstring left = CanonicalizePath(a);
  const std::wstring right = CanonicalizePath(b);
  if (left.empty() || right.empty()) return false;
  return _wcsicmp(left.c_str(), right.c_str()) == 0;
}

bool IsPathUnder(std::wstring_view path, std::wstring_view ancestor) {
  const std::wstring inner = FoldPathCase(CanonicalizePath(path));
  std::wstring outer = FoldPathCase(CanonicalizePath(ancestor));
  if (inner.empty() || outer.empty()) return false;
  if (outer.back() != L'\\') outer.push_back(L'\\');
  return inner.size() > outer.size() && inner.compare(0, outer.size(), outer) == 0;
}

std::wstring FoldPathCase(std::wstring_view path) {
  std::wstring folded(path);
  for (wchar_t& unit : folded) unit = static_cast<wchar_t>(std::towlower(unit));
  return folded;
}

bool IsFoldedAtOrInside(std::wstring_view path, std::wstring_view folder) {
  if (folder.empty() || path.compare(0, folder.size(), folder) != 0) return false;
  return path.size() == folder.size() || IsPathSeparator(folder.back()) || path[folder.size()] == L'\\';
}

std::wstring PathFileName(std::wstring_view path) {
  const std::wstring trimmed = TrimPath(path);
  const size_t separator = trimmed.find_last_of(L"\\/");
  return separator == std::wstring::npos ? trimmed : trimmed.substr(separator + 1);
}

std::wstring ParentDirectory(std::wstring_view path) {
  const size_t separator = path.find_last_of(L"\\/");
  return separator == std::wstring_view::npos ? std::wstring() : std::wstring(path.substr(0, separator));
}

UINT DriveTypeCache::TypeOf(wchar_t letter) {
  const wchar_t root[] = {letter, L':', L'\\', L'\0'};
  // Other letters than A to Z name no drive, but the system answers for them.
  if (!IsAsciiLetter(letter)) return GetDriveTypeW(root);
  const size_t slot = static_cast<size_t>((letter | 0x20) - L'a');
  if (!asked_[slot]) {
    types_[slot] = GetDriveTypeW(root);
    asked_[slot] = true;
  }
  return types_[slot];
}

namespace {
thread_local PathRulesScope* activeScope = nullptr;
}  // namespace

PathRulesScope::PathRulesScope() : outer_(activeScope) { activeScope = this; }

PathRulesScope::~PathRulesScope() { activeScope = outer_; }

const ProtectedLocations& PathRulesScope::Protected() {
  if (!protected_) protected_.emplace();
  return *protected_;
}

bool IsOnLocalDrive(std::wstring_view path) {
  if (activeScope != nullptr) return IsOnLocalDrive(path, activeScope->Drives());
  DriveTypeCache drives;
  return IsOnLocalDrive(path, drives);
}

bool IsDriveAbsolute(std::wstring_view path) {
  return path.size() >= 3 && std::iswalpha(path[0]) && path[1] == L':' && IsPathSeparator(path[2]);
}

bool IsOnLocalDrive(std::wstring_view path, DriveTypeCache& drives) {
  if (!IsDriveAbsolute(path)) return false;
  const UINT type = drives.TypeOf(path[0]);
  return type == DRIVE_REMOVABLE || type == DRIVE_FIXED || type == DRIVE_RAMDISK;
}

bool IsDotEntry(const wchar_t* name) {
  return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

bool CheckPathAttributes(std::wstring_view path) {
  if (activeScope != nullptr) return CheckPathAttributes(path, activeScope->Drives());
  DriveTypeCache drives;
  return CheckPathAttributes(path, drives);
}

bool CheckPathAttributes(std::wstring_view path, DriveTypeCache& drives) {
  if (!IsOnLocalDrive(path, drives)) return Fails(ERROR_INVALID_DRIVE);
  const std::wstring canonical = CanonicalizePath(path);
  if (canonical.empty()) return Fails(ERROR_BAD_PATHNAME);
  for (size_t index = 3; index <= canonical.size(); ++index) {
    const bool atEnd = index == canonical.size();
    if (!atEnd && !IsPathSeparator(canonical[index])) continue;
    const std::wstring prefix = atEnd ? canonical : canonical.substr(0, index);
    const DWORD attributes = GetFileAttributesW(prefix.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;  // its own last error
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return Fails(ERROR_CANT_ACCESS_FILE);
  }
  // A successful attribute read leaves whatever error came before.
  SetLastError(ERROR_SUCCESS);
  return true;
}

ProtectedLocations::ProtectedLocations() {
  const auto add = [this](std::wstring_view folder) {
    std::wstring folded = FoldedCanonical(folder);
    if (!folded.empty()) folders_.push_back(std::move(folded));
  };
  for (const KNOWNFOLDERID* id : kProtectedFolders) add(GetKnownFolderPath(*id));
  for (const KNOWNFOLDERID* id : kSharedFolders) add(GetKnownFolderPath(*id));
  const std::wstring local = GetKnownFolderPath(FOLDERID_LocalAppData);
  if (!local.empty()) {
    for (std::wstring_view below : kLocalSharedFolders) add(local + L"\\" + std::wstring(below));
  }
  add(TemporaryFolder());
  const std::wstring profile = GetKnownFolderPath(FOLDERID_Profile);
  if (!profile.empty()) add(profile + L"\\AppData");
  const std::wstring windows = FoldedCanonical(GetKnownFolderPath(FOLDERID_Windows));
  if (!windows.empty()) insideWindows_ = windows + L"\\";
  for (const KNOWNFOLDERID* id : kApplicationDataFolders) {
    const std::wstring data = GetKnownFolderPath(*id);
    if (data.empty()) continue;
    std::wstring folded = FoldedCanonical(data + L"\\" + std::wstring(kWindowsDataFolder));
    if (!folded.empty()) windowsData_.push_back(std::move(folded));
  }
}

bool ProtectedLocations::Protects(std::wstring_view path) const {
  const std::wstring folded = FoldedCanonical(path);
  if (folded.size() < 4) return true;
  for (const std::wstring& folder : folders_) {
    if (IsFoldedAtOrInside(folder, folded)) return true;
  }
  return IsFoldedInsideWindows(folded);
}

bool ProtectedLocations::IsInsideWindows(std::wstring_view path) const {
  return IsFoldedInsideWindows(FoldedCanonical(path));
}

bool ProtectedLocations::IsFoldedInsideWindows(std::wstring_view folded) const {
  return !insideWindows_.empty() && folded.starts_with(insideWindows_);
}

bool ProtectedLocations::IsWindowsData(std::wstring_view path) const {
  const std::wstring folded = FoldedCanonical(path);
  if (folded.empty()) return false;
  for (const std::wstring& data : windowsData_) {
    if (IsFoldedAtOrInside(folded, data)) return true;
  }
  return false;
}

bool IsProtectedLocation(std::wstring_view path) {
  return activeScope != nullptr ? activeScope->Protected().Protects(path) : ProtectedLocations().Protects(path);
}

bool IsWindowsDataLocation(std::wstring_view path) {
  return activeScope != nullptr ? activeScope->Protected().IsWindowsData(path)
                                : ProtectedLocations().IsWindowsData(path);
}

std::wstring GetKnownFolderPath(REFKNOWNFOLDERID id) {
  CoTaskMemPtr<wchar_t> text;
  if (FAILED(SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, text.out())) || !text) return {};
  return std::wstring(text.get());
}

}  // namespace nubo
