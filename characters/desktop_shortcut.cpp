#include "characters/desktop_shortcut.h"

#include <windows.h>

#include <objidl.h>
#include <shlobj.h>

#include <array>

#include "characters/character_texts.h"
#include "store/com_ptr.h"
#include "store/file_utils.h"
#include "store/win_handles.h"

namespace nubo {
namespace {

constexpr size_t kShortcutCount = std::size(character_texts::kShortcutNames);
// SHCNF_PATHW | SHCNF_FLUSH | SHCNF_FLUSHNOWAIT
constexpr UINT kNotifyFlags = 0x3005;

void SetShortcutIcon(const std::wstring& shortcut, const std::wstring& iconPath) {
  ComPtr<IShellLinkW> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              link.out_void()))) {
    return;
  }
  ComPtr<IPersistFile> file;
  if (FAILED(link->QueryInterface(IID_IPersistFile, file.out_void()))) return;
  if (FAILED(file->Load(shortcut.c_str(), STGM_READWRITE))) return;
  if (FAILED(link->SetIconLocation(iconPath.c_str(), 0))) return;
  if (FAILED(file->Save(shortcut.c_str(), TRUE))) return;
  SHChangeNotify(SHCNE_UPDATEITEM, kNotifyFlags, shortcut.c_str(), nullptr);
}

}  // namespace

void UpdateShortcutIconInFolder(const std::wstring& folder, const std::wstring& iconPath) {
  std::array<std::wstring, kShortcutCount> paths;
  for (size_t i = 0; i < kShortcutCount; ++i) {
    paths[i] = JoinPath(folder, character_texts::kShortcutNames[i]);
  }
  for (size_t older = 1; older < kShortcutCount; ++older) {
    if (!FileExists(paths[0]) && FileExists(paths[older])) {
      // Whether the move worked shows in the search below.
      MoveFileExW(paths[older].c_str(), paths[0].c_str(),
                  MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH);
    }
  }
  for (const std::wstring& path : paths) {
    if (FileExists(path)) {
      SetShortcutIcon(path, iconPath);
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
