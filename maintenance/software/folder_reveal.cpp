#include "maintenance/software/folder_reveal.h"

#include <windows.h>
#include <shlobj.h>

#include <string>

#include "maintenance/software/file_identity.h"
#include "store/win_handles.h"

namespace nubo {
namespace {

// The Shell's path to absolute item-ID list conversion is imported by its
// ordinal only: older shell32 versions do not export it by name.
constexpr WORD kPathToItemListOrdinal = 190;
using PathToItemList = PIDLIST_ABSOLUTE(WINAPI*)(PCWSTR path);

PathToItemList LookUpPathToItemList(HMODULE shell) {
  return reinterpret_cast<PathToItemList>(
      reinterpret_cast<void*>(GetProcAddress(shell, MAKEINTRESOURCEA(kPathToItemListOrdinal))));
}

}  // namespace

bool RevealInExplorer(std::wstring_view path) {
  const HRESULT initialised = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  ComApartmentScope apartment(initialised);
  const ModuleHandle shell(LoadLibraryExW(L"shell32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  if (!shell) return false;
  const PathToItemList toItemList = LookUpPathToItemList(shell.get());
  if (toItemList == nullptr) return false;
  const std::wstring target(path);
  const CoTaskMemPtr<ITEMIDLIST_ABSOLUTE> list(toItemList(target.c_str()));
  if (!list) return false;
  return SUCCEEDED(SHOpenFolderAndSelectItems(list.get(), 0, nullptr, 0));
}

}  // namespace nubo
