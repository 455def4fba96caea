#include "maintenance/software/uninstall_registry.h"

#include <cstring>
#include <cwchar>

#include "maintenance/registry_key.h"

namespace nubo {
namespace {

constexpr const wchar_t* kUninstallKeyPath = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// After a failed read (ERROR_MORE_DATA above all) the buffer's content is
// undefined, so every refused value leaves a zeroed field.
template <size_t Units>
void ReadTextValue(HKEY key, const wchar_t* name, wchar_t (&field)[Units]) {
  DWORD type = 0;
  DWORD bytes = sizeof(field);
  const LSTATUS status = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(field), &bytes);
  if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
    std::memset(field, 0, sizeof(field));
    return;
  }
  field[Units - 1] = L'\0';
  if (type != REG_EXPAND_SZ) return;
  wchar_t expanded[kExpandBufferUnits];
  const DWORD length = ExpandEnvironmentStringsW(field, expanded, kExpandBufferUnits);
  if (length < 1 || length > kExpandBufferUnits) return;
  std::wcsncpy(field, expanded, Units - 1);
  field[Units - 1] = L'\0';
}

bool ReadDwordValue(HKEY key, const wchar_t* name, DWORD& value) {
  DWORD type = 0;
  DWORD bytes = sizeof(value);
  value = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &bytes) == ERROR_SUCCESS &&
      type == REG_DWORD && bytes == sizeof(value)) {
    return true;
  }
  value = 0;
  return false;
}

void ReadFlag(HKEY key, const wchar_t* name, uint32_t flag, uint32_t& flags) {
  DWORD value = 0;
  if (ReadDwordValue(key, name, value) && value != 0) flags |= flag;
}

}  // namespace

int SoftwareRegistryEnumerateView(HKEY hive, const wchar_t* hiveWord, REGSAM viewFlag, uint32_t baseFlags,
                                  UninstallRecordCallback callback, void* user) {
  RegistryKey uninstall;
  if (!uninstall.OpenForReadInView(hive, kUninstallKeyPath, viewFlag)) return 1;
  UninstallRegistryRecord record;
  wchar_t subkeyName[kRegistrySubkeyNameUnits];
  for (DWORD index = 0;; ++index) {
    DWORD nameUnits = kRegistrySubkeyNameUnits;
    const LSTATUS status =
        RegEnumKeyExW(uninstall.get(), index, subkeyName, &nameUnits, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) return 1;
    if (status != ERROR_SUCCESS) continue;
    RegistryKey subkey;
    if (!subkey.OpenForReadInView(uninstall.get(), subkeyName, viewFlag)) continue;

    std::memset(&record, 0, sizeof(record));
    record.flags = baseFlags;
    ReadTextValue(subkey.get(), L"DisplayName", record.displayName);
    ReadTextValue(subkey.get(), L"DisplayVersion", record.displayVersion);
    ReadTextValue(subkey.get(), L"Publisher", record.publisher);
    ReadTextValue(subkey.get(), L"InstallLocation", record.installLocation);
    ReadTextValue(subkey.get(), L"DisplayIcon", record.displayIcon);
    ReadTextValue(subkey.get(), L"UninstallString", record.uninstallString);
    ReadTextValue(subkey.get(), L"QuietUninstallString", record.quietUninstallString);
    ReadFlag(subkey.get(), L"SystemComponent", kRecordSystemComponent, record.flags);
    ReadFlag(subkey.get(), L"NoRemove", kRecordNoRemove, record.flags);
    ReadFlag(subkey.get(), L"WindowsInstaller", kRecordWindowsInstaller, record.flags);
    DWORD kibibytes = 0;
    if (ReadDwordValue(subkey.get(), L"EstimatedSize", kibibytes)) {
      record.estimatedSizeBytes = static_cast<uint64_t>(kibibytes) << 10;
    }
    std::swprintf(record.id, kRecordIdUnits, L"%ls|%ls|%ls", hiveWord, (baseFlags & kRecordView64) ? L"64" : L"32",
                  subkeyName);
    record.id[kRecordIdUnits - 1] = L'\0';
    subkey.reset();

    if (record.displayName[0] == L'\0') continue;
    if (callback(record, user) == 0) return 0;
  }
}

int SoftwareRegistryEnumerate(UninstallRecordCallback callback, void* user) {
  if (callback == nullptr) return 0;
  struct View {
    HKEY hive;
    const wchar_t* word;
    REGSAM flag;
    uint32_t baseFlags;
  };
  const View views[] = {{HKEY_CURRENT_USER, L"HKCU", KEY_WOW64_64KEY, kRecordCurrentUser | kRecordView64},
                        {HKEY_LOCAL_MACHINE, L"HKLM", KEY_WOW64_64KEY, kRecordView64},
                        {HKEY_CURRENT_USER, L"HKCU", KEY_WOW64_32KEY, kRecordCurrentUser},
                        {HKEY_LOCAL_MACHINE, L"HKLM", KEY_WOW64_32KEY, 0}};
  for (const View& view : views) {
    if (SoftwareRegistryEnumerateView(view.hive, view.word, view.flag, view.baseFlags, callback, user) == 0) break;
  }
  return 1;
}

}  // namespace nubo
