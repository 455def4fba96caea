#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "maintenance/software/software_service.h"

namespace nubo::testing {

// A path written with one of the world's roots in front, expanded from the
// prefix's own known folders: %Profile%, %Local%, %Roaming%, %ProgramData%,
// %ProgramFiles%, %Programs% (the Start menu's), %Desktop%, %Downloads%,
// %Documents%, %Windows%, %Users% (the folder holding every profile) and
// %Fixture% (C:\swsafety, the suite's own folder), and the shared folders of
// the system: %CommonFiles%, %CommonFilesX86%, %UserCommon% (the per-user
// Common folder of the user's programs) and %Temp% (what GetTempPathW names).
std::wstring WorldPath(const std::wstring& text);

// The 18 protected known folders with the profile folders' parent, the
// profile's AppData, the Common Files folders, the temporary folders and the
// Microsoft folders of the application data: no scan may offer them, an
// ancestor of them, or anything inside the Windows folder.
std::vector<std::wstring> GuardedFolders();
// The Microsoft folders of the local, roaming and shared application data:
// no folder at or below them may be offered.
std::vector<std::wstring> WindowsDataFolders();

// Linux calls on the paths' Unix names: Wine's own rename follows a folder
// link and moves what it points to, and Linux renames ignore Wine's share
// modes, as another program's would on Windows.
bool UnixSymlink(const std::wstring& target, const std::wstring& link);
std::string UnixNameOf(const std::wstring& path);  // the parent must exist
bool UnixRename(const std::wstring& from, const std::wstring& to);
// Removes a tree without entering a link: links are unlinked, never followed.
void RemoveTreeNoFollow(const std::wstring& path);

// How an uninstall key writes its InstallLocation.
enum class Written {
  kPlain,       // the expanded world path
  kWin32,       // "\\?\" and the path
  kNt,          // "\??\" and the path
  kUnexpanded,  // the world path's own %ProgramFiles% text, as REG_SZ
  kShortName,   // the 8.3 form of the existing folder
  kRelative,    // the world path without its root
  kOwnShare,    // through this machine's administrative share: "\\localhost\C$\..."
};

// One uninstall key in the 64-bit machine view.
struct WorldProgram {
  std::wstring key;
  std::wstring displayName;
  std::wstring publisher;
  std::wstring installLocation;  // a world path, or "" for none
  std::wstring mainExecutable;   // a world path written as DisplayIcon and UninstallString, or ""
  Written written = Written::kPlain;
};

// One thing a world puts into the prefix.
struct WorldPiece {
  enum Kind { kFolder, kFile, kShortcut, kDeepTree, kWideTree, kLink };
  Kind kind;
  std::wstring path;    // a world path
  std::wstring target = L"";  // kShortcut, kLink: a world path
  int count = 0;        // kDeepTree: levels below the path; kWideTree: files in it
};

// Registers programs and builds their folders, files, shortcuts and links in
// the prefix's real known folders; everything goes again on destruction.
class FixtureWorld {
 public:
  FixtureWorld(std::vector<WorldProgram> programs, const std::vector<WorldPiece>& pieces);
  ~FixtureWorld();
  FixtureWorld(const FixtureWorld&) = delete;
  FixtureWorld& operator=(const FixtureWorld&) = delete;

  void Register(const WorldProgram& program);
  void Unregister(const std::wstring& key);
  void Build(const WorldPiece& piece);
  // A path something else made (an installer) that goes with the world.
  void Adopt(const std::wstring& path) { owned_.push_back(WorldPath(path)); }
  // Moves the folder at path (a world path) aside with a Linux rename, for
  // something else to take its place.
  void MoveAside(const std::wstring& path);
  // Installs a Windows Installer package for real; removed again first.
  void InstallPackage(const std::wstring& package, const std::wstring& productCode);
  // Points this process's temporary folder at path (a world path) until the
  // world goes.
  void UseTemporaryFolder(const std::wstring& path);

  static std::string IdOf(const std::wstring& key);
  // The paths the world made, each with everything below it.
  const std::vector<std::wstring>& owned() const { return owned_; }

 private:
  std::vector<std::wstring> keys_;
  std::vector<std::wstring> owned_;  // expanded top paths, removed last to first
  std::vector<std::wstring> packages_;  // product codes
  std::vector<std::pair<std::wstring, std::wstring>> savedEnvironment_;
};

// The cleanup's mover in tests: moves a path of the world into a quarantine
// folder inside the fixture and refuses every other path and any path that
// is or runs through a link, recording both.
class QuarantineMover {
 public:
  explicit QuarantineMover(const FixtureWorld& world);
  ~QuarantineMover();
  QuarantineMover(const QuarantineMover&) = delete;
  QuarantineMover& operator=(const QuarantineMover&) = delete;

  SoftwareSystem System();  // the machine's calls with this mover
  bool Move(const std::wstring& path);

  std::vector<std::wstring> moved;    // original paths, in order
  std::vector<std::wstring> refused;  // paths outside the world, or links
  const std::wstring& folder() const { return folder_; }
  // Names now inside the quarantine, sorted.
  std::vector<std::wstring> Contents() const;

 private:
  const FixtureWorld& world_;
  std::wstring folder_;
};

}  // namespace nubo::testing
