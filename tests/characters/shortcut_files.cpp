#include "tests/characters/shortcut_files.h"

#include <windows.h>

#include <objidl.h>
#include <shlobj.h>

#include <stdexcept>

#include "store/com_ptr.h"

namespace nubo::testing {

void CreateShortcut(const std::wstring& path, const std::wstring& target) {
  ComPtr<IShellLinkW> link;
  ComPtr<IPersistFile> file;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              link.out_void())) ||
      FAILED(link->SetPath(target.c_str())) ||
      FAILED(link->QueryInterface(IID_IPersistFile, file.out_void())) ||
      FAILED(file->Save(path.c_str(), TRUE))) {
    throw std::runtime_error("cannot create the test shortcut");
  }
}

std::wstring ShortcutIconLocation(const std::wstring& path) {
  ComPtr<IShellLinkW> link;
  ComPtr<IPersistFile> file;
  wchar_t location[MAX_PATH] = {};
  int index = -1;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              link.out_void())) ||
      FAILED(link->QueryInterface(IID_IPersistFile, file.out_void())) ||
      FAILED(file->Load(path.c_str(), STGM_READ)) ||
      FAILED(link->GetIconLocation(location, MAX_PATH, &index))) {
    return L"";
  }
  return std::wstring(location) + L"," + std::to_wstring(index);
}

ComScope::ComScope() : initialised_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}

ComScope::~ComScope() {
  if (initialised_) CoUninitialize();
}

}  // namespace nubo::testing
