#pragma once

#include <windows.h>
#include <shlobj.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nubo {

// Path rules of the software tools. None throws: a bad, refused or
// unreadable path gives an empty text or false.

// Blanks, then one surrounding pair of double quotes, then trailing
// separators while longer than a drive root.
std::wstring TrimPath(std::wstring_view path);
// Absolute form without surrounding blanks, quotes or trailing separators.
// Relative, root-relative ("\x") and drive-relative ("C:x") input gives empty:
// it would resolve against the current folder.
std::wstring CanonicalizePath(std::wstring_view path);
bool PathsEqual(std::wstring_view a, std::wstring_view b);
// Strictly inside: a path is not under itself.
bool IsPathUnder(std::wstring_view path, std::wstring_view ancestor);
std::wstring FoldPathCase(std::wstring_view path);
// Both canonical and case-folded: the path is the folder or lies inside it.
bool IsFoldedAtOrInside(std::wstring_view path, std::wstring_view folder);
std::wstring PathFileName(std::wstring_view path);
// "." or "..", the entries a folder listing skips.
bool IsDotEntry(const wchar_t* name);
bool IsPathSeparator(wchar_t unit);
// Before the last separator ("C:\App.exe" -> "C:"), or empty.
std::wstring ParentDirectory(std::wstring_view path);
// A letter, ":" and a separator: "C:\..." but not "C:x" or "\\host\...".
bool IsDriveAbsolute(std::wstring_view path);
// Drive types asked during one pass over many paths, each letter once. It
// lives no longer than that pass, so a drive mounted later is seen.
class DriveTypeCache {
 public:
  UINT TypeOf(wchar_t letter);

 private:
  UINT types_[26] = {};
  bool asked_[26] = {};
};

// A drive-letter path on a removable, fixed or RAM disk.
bool IsOnLocalDrive(std::wstring_view path);
bool IsOnLocalDrive(std::wstring_view path, DriveTypeCache& drives);
// Local, existing, and no reparse point on the way. On failure the last
// error tells why: not found, ERROR_INVALID_DRIVE (not local),
// ERROR_BAD_PATHNAME (no canonical form) or ERROR_CANT_ACCESS_FILE.
bool CheckPathAttributes(std::wstring_view path);
bool CheckPathAttributes(std::wstring_view path, DriveTypeCache& drives);
// The locations whose loss would damage the profile or the system, resolved
// once for the many paths of one pass: a drive root; a protected folder (the
// 18 known ones, Common Files, the user's Common program folder and the
// temporary folders) or one of its ancestors; the profile's AppData; and
// anything inside the Windows folder.
class ProtectedLocations {
 public:
  ProtectedLocations();
  bool Protects(std::wstring_view path) const;
  bool IsInsideWindows(std::wstring_view path) const;
  // The Microsoft folder of the local, roaming or shared application data,
  // or anything inside one: Windows keeps the user's saved passwords and
  // keys there.
  bool IsWindowsData(std::wstring_view path) const;

 private:
  bool IsFoldedInsideWindows(std::wstring_view folded) const;
  std::vector<std::wstring> folders_;      // canonical and case-folded
  std::vector<std::wstring> windowsData_;  // canonical and case-folded
  std::wstring insideWindows_;             // the folded Windows folder and "\"
};
bool IsProtectedLocation(std::wstring_view path);
bool IsWindowsDataLocation(std::wstring_view path);

// While one lives on a thread, the calls above and below that take no cache
// of their own share its answers: one scan, refresh or cleanup asks each
// drive's type once (under Wine a drive-type query costs milliseconds) and
// resolves the protected locations once.
class PathRulesScope {
 public:
  PathRulesScope();
  ~PathRulesScope();
  PathRulesScope(const PathRulesScope&) = delete;
  PathRulesScope& operator=(const PathRulesScope&) = delete;
  DriveTypeCache& Drives() { return drives_; }
  const ProtectedLocations& Protected();  // resolved at the first use

 private:
  DriveTypeCache drives_;
  std::optional<ProtectedLocations> protected_;
  PathRulesScope* outer_;
};

std::wstring GetKnownFolderPath(REFKNOWNFOLDERID id);

}  // namespace nubo
