#pragma once

#include <windows.h>

#include <cstdint>

#include "maintenance/software/software_limits.h"

namespace nubo {

inline constexpr uint32_t kRecordCurrentUser = 0x1;
inline constexpr uint32_t kRecordSystemComponent = 0x2;
inline constexpr uint32_t kRecordNoRemove = 0x4;
inline constexpr uint32_t kRecordView64 = 0x8;
inline constexpr uint32_t kRecordWindowsInstaller = 0x10;

// One uninstall subkey; every text zero-terminated, the whole record zeroed
// before each subkey.
struct UninstallRegistryRecord {
  wchar_t id[kRecordIdUnits];  // "HKCU|64|subkey"
  wchar_t displayName[kRecordDisplayNameUnits];
  wchar_t displayVersion[kRecordDisplayVersionUnits];
  wchar_t publisher[kRecordPublisherUnits];
  wchar_t installLocation[kRecordInstallLocationUnits];
  wchar_t displayIcon[kRecordCommandUnits];
  wchar_t uninstallString[kRecordCommandUnits];
  wchar_t quietUninstallString[kRecordCommandUnits];
  uint64_t estimatedSizeBytes;
  uint32_t flags;
};

// 0 stops the walk; anything else continues.
using UninstallRecordCallback = int (*)(const UninstallRegistryRecord& record, void* user);

// The four views in order: HKCU 64, HKLM 64, HKCU 32, HKLM 32. 0 only when
// the callback is missing; 1 otherwise, also when the callback stopped.
int SoftwareRegistryEnumerate(UninstallRecordCallback callback, void* user);

// One hive in one view: 1 when it ended normally or the key cannot be
// opened, 0 when the callback returned 0.
int SoftwareRegistryEnumerateView(HKEY hive, const wchar_t* hiveWord, REGSAM viewFlag, uint32_t baseFlags,
                                  UninstallRecordCallback callback, void* user);

}  // namespace nubo
