#include "maintenance/software/installer_records.h"

#include <windows.h>

#include <cwctype>

#include "maintenance/software/path_rules.h"
#include "maintenance/software/software_limits.h"
#include "store/registry_key.h"

namespace nubo {
namespace {

constexpr wchar_t kUserDataKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData";
constexpr wchar_t kProductsBelow[] = L"\\Products\\";
constexpr wchar_t kProperties[] = L"\\InstallProperties";
constexpr wchar_t kComponentsBelow[] = L"\\Components";
constexpr wchar_t kInstallLocationValue[] = L"InstallLocation";
// Braced code: 8-4-4-4-12 hexadecimal digits.
constexpr size_t kBracedCodeUnits = 38;
constexpr size_t kPackedCodeUnits = 32;
constexpr unsigned kComponentsPerCheck = 64;

bool IsText(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }

// data holds the text.
std::wstring ReadText(HKEY key, const wchar_t* name, std::vector<wchar_t>& data) {
  DWORD bytes = kPathBufferUnits * sizeof(wchar_t);
  DWORD type = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &bytes) != ERROR_SUCCESS ||
      !IsText(type)) {
    return {};
  }
  data[bytes / sizeof(wchar_t)] = L'\0';
  return data.data();
}

// A component's key path names a file ("C:\App\x.dll"), a folder ("C:\App\")
// or a registry key ("02:\SOFTWARE\..."); only drive paths give a folder.
std::wstring ComponentFolder(const std::wstring& keyPath) {
  if (keyPath.size() < 4 || !IsDriveAbsolute(keyPath)) return {};
  if (IsPathSeparator(keyPath.back())) return TrimPath(keyPath);
  return ParentDirectory(keyPath);
}

std::vector<std::wstring> Subkeys(HKEY key) {
  std::vector<std::wstring> names;
  wchar_t name[kRegistrySubkeyNameUnits];
  for (DWORD index = 0;; ++index) {
    DWORD units = kRegistrySubkeyNameUnits;
    const LONG status = RegEnumKeyExW(key, index, name, &units, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status == ERROR_SUCCESS) names.emplace_back(name, units);
  }
  return names;
}

// A product code, by its packed form, and whether its InstallLocation
// property already located it.
struct WantedProduct {
  std::wstring code;
  bool located = false;
};
using Wanted = std::map<std::wstring, WantedProduct>;

// Adds the component's folder to every wanted product among its values;
// data holds one key path.
void ReadComponent(HKEY component, const Wanted& wanted, std::vector<wchar_t>& data, InstallerFolders& folders) {
  wchar_t name[kPackedCodeUnits + 2];
  for (DWORD index = 0;; ++index) {
    DWORD nameUnits = kPackedCodeUnits + 2;
    DWORD bytes = kPathBufferUnits * sizeof(wchar_t);
    DWORD type = 0;
    const LONG status =
        RegEnumValueW(component, index, name, &nameUnits, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &bytes);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status != ERROR_SUCCESS || !IsText(type)) continue;
    const auto product = wanted.find(std::wstring(name, nameUnits));
    if (product == wanted.end() || product->second.located) continue;
    data[bytes / sizeof(wchar_t)] = L'\0';
    const std::wstring folder = ComponentFolder(data.data());
    if (!folder.empty()) folders.byProduct[product->second.code].push_back(folder);
  }
}

}  // namespace

std::wstring PackInstallerCode(std::wstring_view code) {
  if (code.size() != kBracedCodeUnits || code.front() != L'{' || code.back() != L'}') return {};
  std::wstring hex;
  for (size_t i = 1; i + 1 < code.size(); ++i) {
    const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
    if (dash != (code[i] == L'-')) return {};
    if (!dash && !std::iswxdigit(code[i])) return {};
    if (!dash) hex.push_back(static_cast<wchar_t>(std::towupper(code[i])));
  }
  std::wstring packed(hex.rbegin() + 24, hex.rend());
  packed.append(hex.rbegin() + 20, hex.rbegin() + 24);
  packed.append(hex.rbegin() + 16, hex.rbegin() + 20);
  for (size_t i = 16; i < hex.size(); i += 2) packed += {hex[i + 1], hex[i]};
  return packed;
}

InstallerFolders ReadInstallerFolders(const std::vector<std::wstring>& productCodes,
                                      const std::function<bool()>& keepGoing) {
  InstallerFolders folders;
  Wanted wanted;
  for (const std::wstring& code : productCodes) {
    const std::wstring packed = PackInstallerCode(code);
    if (!packed.empty()) wanted.emplace(packed, WantedProduct{code});
  }
  RegistryKey userData;
  if (wanted.empty() || !userData.OpenForRead(HKEY_LOCAL_MACHINE, kUserDataKey)) return folders;
  const std::vector<std::wstring> users = Subkeys(userData.get());

  std::vector<wchar_t> data(kPathBufferUnits + 1, L'\0');
  bool componentsNeeded = false;
  for (auto& [packed, product] : wanted) {
    for (const std::wstring& user : users) {
      RegistryKey properties;
      if (!properties.OpenForRead(userData.get(), (user + kProductsBelow + packed + kProperties).c_str())) continue;
      const std::wstring location = TrimPath(ReadText(properties.get(), kInstallLocationValue, data));
      if (location.empty()) continue;
      folders.byProduct[product.code].push_back(location);
      product.located = true;
    }
    componentsNeeded = componentsNeeded || !product.located;
  }
  if (!componentsNeeded) return folders;

  unsigned walked = 0;
  for (const std::wstring& user : users) {
    RegistryKey components;
    if (!components.OpenForRead(userData.get(), (user + kComponentsBelow).c_str())) continue;
    for (const std::wstring& name : Subkeys(components.get())) {
      if (walked++ % kComponentsPerCheck == 0 && keepGoing && !keepGoing()) {
        folders.complete = false;
        return folders;
      }
      RegistryKey component;
      if (component.OpenForRead(components.get(), name.c_str())) {
        ReadComponent(component.get(), wanted, data, folders);
      }
    }
  }
  return folders;
}

}  // namespace nubo
