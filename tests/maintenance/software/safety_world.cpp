#include "tests/maintenance/software/safety_world.h"

#include <knownfolders.h>
#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <stdexcept>

#include "store/registry_key.h"
#include "maintenance/software/path_rules.h"
#include "maintenance/software/software_inventory.h"
#include "store/text_convert.h"
#include "store/win_handles.h"
#include "tests/characters/shortcut_files.h"
#include "tests/support/temp_dir.h"

namespace nubo::testing {
namespace {

constexpr const wchar_t* kUninstallKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const std::wstring kFixture = L"C:\\swsafety";

std::wstring Known(REFKNOWNFOLDERID id) { return GetKnownFolderPath(id); }

std::wstring TemporaryFolder() {
  wchar_t path[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathW(MAX_PATH + 1, path);
  std::wstring folder(path, length > MAX_PATH ? 0 : length);
  while (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();
  return folder;
}

std::wstring UserCommonFolder() {
  const std::wstring known = Known(FOLDERID_UserProgramFilesCommon);
  return known.empty() ? Known(FOLDERID_LocalAppData) + L"\\Programs\\Common" : known;
}

// Runs a command line to its end; its exit code, or -1.
int RunAndWait(std::wstring command) {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                      &process)) {
    return -1;
  }
  const KernelHandle thread(process.hThread);
  const KernelHandle child(process.hProcess);
  WaitForSingleObject(child.get(), INFINITE);
  DWORD code = 0;
  return GetExitCodeProcess(child.get(), &code) ? static_cast<int>(code) : -1;
}

const std::map<std::wstring, std::wstring>& Roots() {
  static const std::map<std::wstring, std::wstring> roots = [] {
    const std::wstring profile = Known(FOLDERID_Profile);
    return std::map<std::wstring, std::wstring>{
        {L"%Profile%", profile},
        {L"%Local%", Known(FOLDERID_LocalAppData)},
        {L"%Roaming%", Known(FOLDERID_RoamingAppData)},
        {L"%ProgramData%", Known(FOLDERID_ProgramData)},
        {L"%ProgramFiles%", Known(FOLDERID_ProgramFiles)},
        {L"%Programs%", Known(FOLDERID_Programs)},
        {L"%Desktop%", Known(FOLDERID_Desktop)},
        {L"%Downloads%", Known(FOLDERID_Downloads)},
        {L"%Documents%", Known(FOLDERID_Documents)},
        {L"%Windows%", Known(FOLDERID_Windows)},
        {L"%Users%", profile.substr(0, profile.find_last_of(L'\\'))},
        {L"%Fixture%", kFixture},
        {L"%CommonFiles%", Known(FOLDERID_ProgramFilesCommon)},
        {L"%CommonFilesX86%", Known(FOLDERID_ProgramFilesCommonX86)},
        {L"%UserCommon%", UserCommonFolder()},
        {L"%Temp%", TemporaryFolder()},
    };
  }();
  return roots;
}

std::string ExistingUnixName(const std::wstring& path) {
  using Convert = char*(CDECL*)(LPCWSTR);
  static const auto convert =
      reinterpret_cast<Convert>(reinterpret_cast<void*>(
          GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (!convert) return {};
  char* name = convert(path.c_str());
  if (!name) return {};
  std::string text(name);
  HeapFree(GetProcessHeap(), 0, name);
  return text;
}

// The Unix name of a path whose parent exists.
std::string UnixName(const std::wstring& path) {
  const size_t slash = path.find_last_of(L'\\');
  if (slash == std::wstring::npos) return {};
  const std::string parent = ExistingUnixName(path.substr(0, slash));
  return parent.empty() ? parent : parent + "/" + Utf16ToUtf8(path.substr(slash + 1));
}

// A system call of the Linux kernel under this process (x86-64 numbers).
int64_t LinuxCall(int64_t number, int64_t first, int64_t second = 0) {
  int64_t result;
  asm volatile("syscall" : "=a"(result) : "a"(number), "D"(first), "S"(second) : "rcx", "r11", "memory");
  return result;
}
int64_t LinuxCall(int64_t number, const std::string& first, const std::string& second) {
  return LinuxCall(number, reinterpret_cast<int64_t>(first.c_str()), reinterpret_cast<int64_t>(second.c_str()));
}
int64_t LinuxCall(int64_t number, const std::string& first, int64_t second = 0) {
  return LinuxCall(number, reinterpret_cast<int64_t>(first.c_str()), second);
}
constexpr int64_t kLinuxClose = 3;
constexpr int64_t kLinuxRename = 82;
constexpr int64_t kLinuxRmdir = 84;
constexpr int64_t kLinuxCreat = 85;
constexpr int64_t kLinuxUnlink = 87;
constexpr int64_t kLinuxSymlink = 88;

bool IsLink(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// The path or a folder on its way is a link.
bool ThroughLink(const std::wstring& path) {
  for (size_t at = path.find(L'\\', 3);; at = path.find(L'\\', at + 1)) {
    if (IsLink(path.substr(0, at))) return true;
    if (at == std::wstring::npos) return false;
  }
}

// Linux unlinks and rmdirs: Wine's own take a server call each, far too
// slow for the trees of 16,000 entries.
void RemoveEntry(const std::wstring& path, const std::string& unixPath, DWORD attributes) {
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    WIN32_FIND_DATAW entry{};
    HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
      std::vector<std::pair<std::wstring, DWORD>> children;
      do {
        const std::wstring name = entry.cFileName;
        if (name != L"." && name != L"..") children.emplace_back(name, entry.dwFileAttributes);
      } while (FindNextFileW(find, &entry));
      FindClose(find);
      for (const auto& [name, childAttributes] : children) {
        RemoveEntry(path + L"\\" + name, unixPath + "/" + Utf16ToUtf8(name), childAttributes);
      }
    }
    LinuxCall(kLinuxRmdir, unixPath);
  } else {
    LinuxCall(kLinuxUnlink, unixPath);
  }
}

void SetString(HKEY key, const wchar_t* name, const std::wstring& value) {
  RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void EnsureParents(const std::wstring& path) {
  for (size_t at = path.find(L'\\', 3); at != std::wstring::npos; at = path.find(L'\\', at + 1)) {
    CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
  }
}

// The InstallLocation text of a program in its written form.
std::wstring WrittenLocation(const WorldProgram& program) {
  const std::wstring path = WorldPath(program.installLocation);
  switch (program.written) {
    case Written::kPlain:
      return path;
    case Written::kWin32:
      return L"\\\\?\\" + path;
    case Written::kNt:
      return L"\\??\\" + path;
    case Written::kUnexpanded:
      return program.installLocation;
    case Written::kShortName: {
      wchar_t shortName[MAX_PATH] = {};
      const DWORD length = GetShortPathNameW(path.c_str(), shortName, MAX_PATH);
      if (length == 0 || length >= MAX_PATH || _wcsicmp(shortName, path.c_str()) == 0) {
        throw std::runtime_error("no short name for a world folder");
      }
      return shortName;
    }
    case Written::kRelative:
      return program.installLocation.substr(program.installLocation.find(L'%', 1) + 2);
    case Written::kOwnShare: {
      const std::wstring shared = L"\\\\localhost\\" + path.substr(0, 1) + L"$" + path.substr(2);
      if (GetFileAttributesW(shared.c_str()) == INVALID_FILE_ATTRIBUTES) {
        throw std::runtime_error("this machine's share does not reach a world folder");
      }
      return shared;
    }
  }
  return path;
}

}  // namespace

std::wstring WorldPath(const std::wstring& text) {
  if (text.empty() || text[0] != L'%') return text;
  const size_t end = text.find(L'%', 1);
  const auto root = Roots().find(text.substr(0, end + 1));
  if (root == Roots().end() || root->second.empty()) throw std::runtime_error("unknown world root");
  return root->second + text.substr(end + 1);
}

std::vector<std::wstring> GuardedFolders() {
  static const KNOWNFOLDERID ids[] = {
      FOLDERID_Profile,   FOLDERID_Desktop,     FOLDERID_PublicDesktop,  FOLDERID_Programs,
      FOLDERID_CommonPrograms, FOLDERID_ProgramData, FOLDERID_Documents, FOLDERID_Downloads,
      FOLDERID_Pictures,  FOLDERID_Music,       FOLDERID_Videos,         FOLDERID_Favorites,
      FOLDERID_SavedGames, FOLDERID_RoamingAppData, FOLDERID_LocalAppData, FOLDERID_ProgramFiles,
      FOLDERID_ProgramFilesX86, FOLDERID_Windows};
  std::vector<std::wstring> folders;
  for (const KNOWNFOLDERID& id : ids) {
    const std::wstring path = Known(id);
    if (path.empty()) throw std::runtime_error("a protected known folder does not resolve");
    folders.push_back(path);
  }
  folders.push_back(WorldPath(L"%Users%"));
  folders.push_back(WorldPath(L"%Profile%\\AppData"));
  for (const wchar_t* shared : {L"%CommonFiles%", L"%CommonFilesX86%", L"%UserCommon%", L"%Local%\\Temp", L"%Temp%"}) {
    const std::wstring path = WorldPath(shared);
    const auto same = [&](const std::wstring& folder) { return _wcsicmp(folder.c_str(), path.c_str()) == 0; };
    if (std::none_of(folders.begin(), folders.end(), same)) folders.push_back(path);
  }
  for (const std::wstring& folder : WindowsDataFolders()) folders.push_back(folder);
  return folders;
}

std::vector<std::wstring> WindowsDataFolders() {
  return {WorldPath(L"%Local%\\Microsoft"), WorldPath(L"%Roaming%\\Microsoft"), WorldPath(L"%ProgramData%\\Microsoft")};
}

std::string UnixNameOf(const std::wstring& path) { return UnixName(path); }

bool UnixSymlink(const std::wstring& target, const std::wstring& link) {
  const std::string from = UnixName(target);
  const std::string to = UnixName(link);
  return !from.empty() && !to.empty() && LinuxCall(kLinuxSymlink, from, to) == 0;
}

bool UnixRename(const std::wstring& from, const std::wstring& to) {
  const std::string source = UnixName(from);
  const std::string destination = UnixName(to);
  return !source.empty() && !destination.empty() && LinuxCall(kLinuxRename, source, destination) == 0;
}

void RemoveTreeNoFollow(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  const std::string unixPath = UnixName(path);
  if (attributes != INVALID_FILE_ATTRIBUTES && !unixPath.empty()) RemoveEntry(path, unixPath, attributes);
}

FixtureWorld::FixtureWorld(std::vector<WorldProgram> programs, const std::vector<WorldPiece>& pieces) {
  for (const WorldPiece& piece : pieces) Build(piece);
  for (const WorldProgram& program : programs) Register(program);
}

FixtureWorld::~FixtureWorld() {
  for (const auto& code : packages_) RunAndWait(L"msiexec.exe /x " + code + L" /qn");
  for (const auto& [name, value] : savedEnvironment_) {
    SetEnvironmentVariableW(name.c_str(), value.empty() ? nullptr : value.c_str());
  }
  for (const auto& key : keys_) Unregister(key);
  for (auto path = owned_.rbegin(); path != owned_.rend(); ++path) RemoveTreeNoFollow(*path);
}

std::string FixtureWorld::IdOf(const std::wstring& key) { return "HKLM|64|" + Utf16ToUtf8(key); }

void FixtureWorld::Register(const WorldProgram& program) {
  RegistryKey key;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, (kUninstallKey + program.key).c_str(), 0, nullptr, 0,
                      KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, key.out(), nullptr) != ERROR_SUCCESS) {
    throw std::runtime_error("cannot register a world program");
  }
  keys_.push_back(program.key);
  SetString(key.get(), L"DisplayName", program.displayName);
  if (!program.publisher.empty()) SetString(key.get(), L"Publisher", program.publisher);
  if (!program.installLocation.empty()) SetString(key.get(), L"InstallLocation", WrittenLocation(program));
  const std::wstring exe = WorldPath(program.mainExecutable);
  SetString(key.get(), L"UninstallString", exe.empty() ? L"C:\\nowhere\\uninstall.exe" : L"\"" + exe + L"\" /S");
  if (!exe.empty()) SetString(key.get(), L"DisplayIcon", L"\"" + exe + L"\",0");
}

void FixtureWorld::InstallPackage(const std::wstring& package, const std::wstring& productCode) {
  packages_.push_back(productCode);
  if (RunAndWait(L"msiexec.exe /i \"" + WorldPath(package) + L"\" /qn") != 0) {
    throw std::runtime_error("cannot install a world package");
  }
}

void FixtureWorld::UseTemporaryFolder(const std::wstring& path) {
  for (const wchar_t* name : {L"TMP", L"TEMP"}) {
    wchar_t value[MAX_PATH + 1] = {};
    const DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH + 1);
    savedEnvironment_.emplace_back(name, length > MAX_PATH ? L"" : value);
    SetEnvironmentVariableW(name, WorldPath(path).c_str());
  }
}

void FixtureWorld::Unregister(const std::wstring& key) {
  RegDeleteKeyExW(HKEY_LOCAL_MACHINE, (kUninstallKey + key).c_str(), KEY_WOW64_64KEY, 0);
}

void FixtureWorld::Build(const WorldPiece& piece) {
  const std::wstring path = WorldPath(piece.path);
  // The outermost folder this piece creates goes with the world, unless a
  // folder the world made already holds it.
  std::wstring top;
  for (size_t at = path.find(L'\\', 3);; at = path.find(L'\\', at + 1)) {
    const std::wstring prefix = path.substr(0, at);
    if (GetFileAttributesW(prefix.c_str()) == INVALID_FILE_ATTRIBUTES) {
      top = prefix;
      break;
    }
    if (at == std::wstring::npos) break;
  }
  const bool insideOwned = std::any_of(owned_.begin(), owned_.end(), [&](const std::wstring& owned) {
    return top.size() > owned.size() && top.compare(0, owned.size() + 1, owned + L"\\") == 0;
  });
  if (!top.empty() && !insideOwned) owned_.push_back(top);
  EnsureParents(path);
  switch (piece.kind) {
    case WorldPiece::kFolder:
      CreateDirectoryW(path.c_str(), nullptr);
      break;
    case WorldPiece::kFile:
      WriteWholeFile(path, "MZ nubo safety");
      break;
    case WorldPiece::kShortcut: {
      const ComScope com;
      CreateShortcut(path, WorldPath(piece.target));
      break;
    }
    case WorldPiece::kDeepTree: {
      std::wstring level = path;
      CreateDirectoryW(level.c_str(), nullptr);
      for (int i = 1; i < piece.count; ++i) CreateDirectoryW((level += L"\\d").c_str(), nullptr);
      WriteWholeFile(level + L"\\f", "abc");
      break;
    }
    case WorldPiece::kWideTree: {
      CreateDirectoryW(path.c_str(), nullptr);
      const std::string folder = UnixName(path);
      for (int i = 0; i < piece.count; ++i) {
        const int64_t fd = LinuxCall(kLinuxCreat, folder + "/f" + std::to_string(i), 0644);
        if (fd < 0) throw std::runtime_error("cannot create a wide tree");
        LinuxCall(kLinuxClose, fd);
      }
      break;
    }
    case WorldPiece::kLink:
      if (!UnixSymlink(WorldPath(piece.target), path)) throw std::runtime_error("cannot make a world link");
      break;
  }
}

void FixtureWorld::MoveAside(const std::wstring& path) {
  const std::wstring from = WorldPath(path);
  if (!UnixRename(from, from + L".aside")) throw std::runtime_error("cannot move a world folder aside");
  owned_.push_back(from + L".aside");
}

QuarantineMover::QuarantineMover(const FixtureWorld& world) : world_(world), folder_(kFixture + L"\\quarantine") {
  CreateDirectoryW(kFixture.c_str(), nullptr);
  RemoveTreeNoFollow(folder_);
  if (!CreateDirectoryW(folder_.c_str(), nullptr)) throw std::runtime_error("cannot create the quarantine");
}

QuarantineMover::~QuarantineMover() { RemoveTreeNoFollow(folder_); }

SoftwareSystem QuarantineMover::System() {
  SoftwareSystem system = MachineSoftwareSystem();
  system.moveToRecycleBin = [this](const std::wstring& path) { return Move(path); };
  return system;
}

bool QuarantineMover::Move(const std::wstring& path) {
  const auto& owned = world_.owned();
  const bool inWorld = std::any_of(owned.begin(), owned.end(), [&](const std::wstring& root) {
    return _wcsicmp(path.c_str(), root.c_str()) == 0 ||
           (path.size() > root.size() && _wcsnicmp(path.c_str(), (root + L"\\").c_str(), root.size() + 1) == 0);
  });
  if (!inWorld || ThroughLink(path)) {
    refused.push_back(path);
    return false;
  }
  const std::wstring slot = folder_ + L"\\" + std::to_wstring(moved.size());
  if (!MoveFileExW(path.c_str(), slot.c_str(), 0)) return false;
  moved.push_back(path);
  return true;
}

std::vector<std::wstring> QuarantineMover::Contents() const {
  std::vector<std::wstring> names;
  const std::wstring listed = ListFolder(folder_);
  for (size_t start = 0; !listed.empty() && start <= listed.size();) {
    const size_t comma = std::min(listed.find(L',', start), listed.size());
    names.push_back(listed.substr(start, comma - start));
    start = comma + 1;
  }
  return names;
}

}  // namespace nubo::testing
