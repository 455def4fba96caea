#include "characters/desktop_shortcut.h"

#include <windows.h>

#include <objidl.h>
#include <shlobj.h>

#include <array>
#include <cwchar>
#include <optional>
#include <stdexcept>

#include "characters/character_texts.h"
#include "store/app_folder.h"
#include "store/com_ptr.h"
#include "store/file_utils.h"
#include "store/win_handles.h"

namespace nubo {
namespace {

constexpr size_t kShortcutCount = std::size(character_texts::kShortcutNames);
// SHCNF_PATHW | SHCNF_FLUSH | SHCNF_FLUSHNOWAIT
constexpr UINT kNotifyFlags = 0x3005;
// Long enough for any path a shell link can hold.
constexpr DWORD kLinkPathCapacity = 32768;

bool ReadFileIdentity(const std::wstring& path, BY_HANDLE_FILE_INFORMATION& info) {
  const FileHandle file(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return file && GetFileInformationByHandle(file.get(), &info);
}

// The same file however its paths are spelt (case, short names, separators).
bool IsSameFile(const std::wstring& left, const std::wstring& right) {
  BY_HANDLE_FILE_INFORMATION a{};
  BY_HANDLE_FILE_INFORMATION b{};
  return ReadFileIdentity(left, a) && ReadFileIdentity(right, b) &&
         a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
         a.nFileIndexLow == b.nFileIndexLow;
}

struct ShellLink {
  ComPtr<IShellLinkW> link;
  ComPtr<IPersistFile> file;
};

// The shortcut at path when it can be read and its target is the program;
// another program's shortcut, whatever its name, is never touched.
std::optional<ShellLink> LoadOwnShortcut(const std::wstring& path, const std::wstring& program) {
  if (!FileExists(path)) return std::nullopt;
  ShellLink shortcut;
  std::wstring target(kLinkPathCapacity, L'\0');
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              shortcut.link.out_void())) ||
      FAILED(shortcut.link->QueryInterface(IID_IPersistFile, shortcut.file.out_void())) ||
      FAILED(shortcut.file->Load(path.c_str(), STGM_READ)) ||
      shortcut.link->GetPath(target.data(), static_cast<int>(target.size()), nullptr, 0) != S_OK) {
    return std::nullopt;
  }
  target.resize(wcslen(target.c_str()));
  if (!IsSameFile(target, program)) return std::nullopt;
  return shortcut;
}

// The changed link is saved beside the shortcut and moved over it, so a
// failure (a full volume) leaves the shortcut as it was.
void SetShortcutIcon(const std::wstring& path, ShellLink& shortcut, const std::wstring& iconPath) {
  if (FAILED(shortcut.link->SetIconLocation(iconPath.c_str(), 0))) return;
  try {
    WriteThroughTemporary(path, character_texts::kUpdatingSuffix, [&](const std::wstring& temporary) {
      // Created empty first, so that the name is this program's before the
      // shell writes the link into it.
      WriteFileComplete(temporary, nullptr, 0);
      if (FAILED(shortcut.file->Save(temporary.c_str(), FALSE))) {
        DeleteFileQuietly(temporary);
        throw std::runtime_error(character_texts::kShortcutSaveFailed);
      }
    });
  } catch (const std::exception&) {
    return;
  }
  SHChangeNotify(SHCNE_UPDATEITEM, kNotifyFlags, path.c_str(), nullptr);
}

}  // namespace

void UpdateShortcutIconInFolder(const std::wstring& folder, const std::wstring& iconPath) {
  std::wstring program;
  try {
    program = GetExecutablePath();
  } catch (const std::exception&) {
    return;
  }
  std::array<std::wstring, kShortcutCount> paths;
  for (size_t i = 0; i < kShortcutCount; ++i) {
    paths[i] = JoinPath(folder, character_texts::kShortcutNames[i]);
  }
  for (size_t older = 1; older < kShortcutCount; ++older) {
    if (!FileExists(paths[0]) && LoadOwnShortcut(paths[older], program)) {
      // Whether the move worked shows in the search below.
      MoveFileExW(paths[older].c_str(), paths[0].c_str(),
                  MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH);
    }
  }
  for (const std::wstring& path : paths) {
    if (std::optional<ShellLink> shortcut = LoadOwnShortcut(path, program)) {
      SetShortcutIcon(path, *shortcut, iconPath);
      return;
    }
  }
}

void UpdateDesktopShortcutIcon(const std::wstring& iconPath) {
  CoTaskMemPtr<wchar_t> desktop;
  const HRESULT result = SHGetKnownFolderPath(FOLDERID_Desktop, 0, nullptr, desktop.out());
  const std::wstring folder = SUCCEEDED(result) && desktop ? desktop.get() : L"";
  if (folder.empty()) return;
  UpdateShortcutIconInFolder(folder, iconPath);
}

}  // namespace nubo
