#include "maintenance/software/file_identity.h"

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <sstream>
#include <vector>

#include "maintenance/software/path_rules.h"
#include "maintenance/software/software_limits.h"
#include "store/com_ptr.h"
#include "store/win_handles.h"

namespace nubo {

std::wstring FinalPathOfHandle(HANDLE file) {
  std::vector<wchar_t> buffer(kPathBufferUnits);
  const DWORD length =
      GetFinalPathNameByHandleW(file, buffer.data(), kPathBufferUnits, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  if (length == 0 || length >= kPathBufferUnits) return {};
  std::wstring path(buffer.data(), length);
  if (path.rfind(L"\\\\?\\", 0) == 0) path.erase(0, 4);
  return path;
}

namespace {

std::wstring FormatIdentity(const BY_HANDLE_FILE_INFORMATION& info) {
  const bool folder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  std::ostringstream text;
  text << info.dwVolumeSerialNumber << ':' << info.nFileIndexHigh << ':' << info.nFileIndexLow << ':'
       << info.ftCreationTime.dwHighDateTime << ':' << info.ftCreationTime.dwLowDateTime << ':' << (folder ? 1 : 0);
  if (!folder) {
    text << ':' << info.ftLastWriteTime.dwHighDateTime << ':' << info.ftLastWriteTime.dwLowDateTime << ':'
         << info.nFileSizeHigh << ':' << info.nFileSizeLow;
  }
  const std::string narrow = text.str();
  return std::wstring(narrow.begin(), narrow.end());
}

}  // namespace

std::wstring GetFileIdentity(std::wstring_view path) {
  if (!CheckPathAttributes(path)) return {};
  const std::wstring given(path);
  BY_HANDLE_FILE_INFORMATION info{};
  std::wstring finalPath;
  {
    FileHandle file(CreateFileW(given.c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) return {};
    if (!GetFileInformationByHandle(file.get(), &info)) return {};
    if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return {};
    finalPath = FinalPathOfHandle(file.get());
  }
  if (finalPath.empty()) return {};
  const std::wstring canonicalFinal = CanonicalizePath(finalPath);
  const std::wstring canonicalGiven = CanonicalizePath(given);
  if (canonicalFinal.empty() || canonicalGiven.empty() ||
      _wcsicmp(canonicalFinal.c_str(), canonicalGiven.c_str()) != 0) {
    return {};
  }
  if (!CheckPathAttributes(path)) return {};
  return FormatIdentity(info);
}

std::wstring ResolveShortcutTarget(std::wstring_view shortcutPath) {
  if (!CheckPathAttributes(shortcutPath)) return {};
  const std::wstring file(shortcutPath);
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data)) return {};
  const uint64_t size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  if (size > kShortcutMaxBytes) return {};

  const HRESULT initialisation = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (FAILED(initialisation) && initialisation != RPC_E_CHANGED_MODE) return {};
  const ComApartmentScope apartment(initialisation);

  std::wstring target;
  {
    ComPtr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                link.out_void()))) {
      return {};
    }
    ComPtr<IPersistFile> persist;
    if (FAILED(link->QueryInterface(IID_IPersistFile, persist.out_void()))) return {};
    if (FAILED(persist->Load(file.c_str(), STGM_READ))) return {};
    std::vector<wchar_t> buffer(kPathBufferUnits, L'\0');
    if (FAILED(link->GetPath(buffer.data(), static_cast<int>(kPathBufferUnits), nullptr, SLGP_RAWPATH))) {
      return {};
    }
    buffer.back() = L'\0';
    target = buffer.data();
  }
  if (!IsOnLocalDrive(target)) return {};
  return CanonicalizePath(target);
}

}  // namespace nubo
