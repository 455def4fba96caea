#include "maintenance/software/uninstall_registry.h"

#include <cstring>
#include <cwchar>

#include "store/registry_key.h"

namespace nubo {
namespace {

constexpr const wchar_t* kUninstallKeyPath = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// Holds the largest text field; a value that does not fit here fits none.
constexpr DWORD kValueDataBytes = kRecordCommandUnits * sizeof(wchar_t);
static_assert(kRecordCommandUnits >= kRecordInstallLocationUnits && kRecordCommandUnits >= kRecordDisplayNameUnits);

// A value that failed to read, is wrongly typed or is larger than its field
// leaves that field zeroed (as a refused RegQueryValueExW would).
template <size_t Units>
void TakeTextValue(DWORD type, const BYTE* data, DWORD bytes, wchar_t (&field)[Units]) {
  if ((type != REG_SZ && type != REG_EXPAND_SZ) || bytes > sizeof(field)) return;
  std::memcpy(field, data, bytes);
  field[Units - 1] = L'\0';
  if (type != REG_EXPAND_SZ) return;
  wchar_t expanded[kExpandBufferUnits];
  const DWORD length = ExpandEnvironmentStringsW(field, expanded, kExpandBufferUnits);
  if (length < 1 || length > kExpandBufferUnits) return;
  std::wcsncpy(field, expanded, Units - 1);
  field[Units - 1] = L'\0';
}

bool TakeDwordValue(DWORD type, const BYTE* data, DWORD bytes, DWORD& value) {
  if (type != REG_DWORD || bytes != sizeof(value)) return false;
  std::memcpy(&value, data, sizeof(value));
  return true;
}

bool NameIs(const wchar_t* name, DWORD units, const wchar_t* wanted) {
  // The registry's own case rule for value names.
  return CompareStringOrdinal(name, static_cast<int>(units), wanted, -1, TRUE) == CSTR_EQUAL;
}

// Files one value of a subkey into the record, by its name.
void TakeValue(const wchar_t* name, DWORD units, DWORD type, const BYTE* data, DWORD bytes,
               UninstallRegistryRecord& record) {
  DWORD number = 0;
  if (NameIs(name, units, L"DisplayName")) {
    TakeTextValue(type, data, bytes, record.displayName);
  } else if (NameIs(name, units, L"DisplayVersion")) {
    TakeTextValue(type, data, bytes, record.displayVersion);
  } else if (NameIs(name, units, L"Publisher")) {
    TakeTextValue(type, data, bytes, record.publisher);
  } else if (NameIs(name, units, L"InstallLocation")) {
    TakeTextValue(type, data, bytes, record.installLocation);
  } else if (NameIs(name, units, L"DisplayIcon")) {
    TakeTextValue(type, data, bytes, record.displayIcon);
  } else if (NameIs(name, units, L"UninstallString")) {
    TakeTextValue(type, data, bytes, record.uninstallString);
  } else if (NameIs(name, units, L"QuietUninstallString")) {
    TakeTextValue(type, data, bytes, record.quietUninstallString);
  } else if (NameIs(name, units, L"SystemComponent")) {
    if (TakeDwordValue(type, data, bytes, number) && number != 0) record.flags |= kRecordSystemComponent;
  } else if (NameIs(name, units, L"NoRemove")) {
    if (TakeDwordValue(type, data, bytes, number) && number != 0) record.flags |= kRecordNoRemove;
  } else if (NameIs(name, units, L"WindowsInstaller")) {
    if (TakeDwordValue(type, data, bytes, number) && number != 0) record.flags |= kRecordWindowsInstaller;
  } else if (NameIs(name, units, L"EstimatedSize")) {
    if (TakeDwordValue(type, data, bytes, number)) record.estimatedSizeBytes = static_cast<uint64_t>(number) << 10;
  }
}

// One pass over the subkey's values instead of one query per field: each
// registry call is a round trip to the registry's owner.
void ReadValues(HKEY key, UninstallRegistryRecord& record) {
  wchar_t name[kRegistryValueNameUnits];
  alignas(DWORD) BYTE data[kValueDataBytes];
  for (DWORD index = 0;; ++index) {
    DWORD units = kRegistryValueNameUnits;
    DWORD type = 0;
    DWORD bytes = sizeof(data);
    const LSTATUS status = RegEnumValueW(key, index, name, &units, nullptr, &type, data, &bytes);
    if (status == ERROR_NO_MORE_ITEMS) return;
    // Data too large for every field, or a name longer than every wanted
    // one: nothing to take, the field stays zeroed.
    if (status == ERROR_MORE_DATA) continue;
    // A key deleted under us: no later value can be read either.
    if (status != ERROR_SUCCESS) return;
    TakeValue(name, units, type, data, bytes, record);
  }
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
    ReadValues(subkey.get(), record);
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
