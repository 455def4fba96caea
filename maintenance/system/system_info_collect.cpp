#include "maintenance/system/system_info_collect.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>

#include <algorithm>
#include <cstring>

#include "store/adapter_addresses.h"
#include "store/dynamic_procedure.h"
#include "store/registry_key.h"
#include "store/resizing_query.h"

namespace nubo {
namespace {

using RtlGetVersionFunction = LONG(WINAPI*)(PRTL_OSVERSIONINFOW info);
using GetDpiForSystemFunction = UINT(WINAPI*)();

constexpr uint32_t kDefaultDpi = 96;

constexpr wchar_t kCurrentVersionKey[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
constexpr wchar_t kProcessorKey[] = L"HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0";
constexpr wchar_t kBiosKey[] = L"HARDWARE\\DESCRIPTION\\System\\BIOS";

template <size_t Units>
void Clear(wchar_t (&field)[Units]) {
  std::fill(field, field + Units, L'\0');
}

// Copies at most units - 1 units of a NUL-terminated text and terminates it.
void CopyCut(wchar_t* target, size_t units, const wchar_t* source) {
  if (target == nullptr || units == 0) return;
  size_t length = 0;
  if (source != nullptr) {
    while (length + 1 < units && source[length] != L'\0') ++length;
    std::copy(source, source + length, target);
  }
  target[length] = L'\0';
}

// Reads a text value of an open key, cut to units - 1 units; on failure the buffer is left empty.
bool ReadKeyString(HKEY key, const wchar_t* valueName, wchar_t* buffer, uint32_t units) {
  if (buffer == nullptr || units == 0) return false;
  std::fill(buffer, buffer + units, L'\0');
  DWORD type = 0;
  DWORD bytes = static_cast<DWORD>(std::min<uint64_t>(uint64_t{units} * sizeof(wchar_t), MAXDWORD));
  const LSTATUS status =
      RegQueryValueExW(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &bytes);
  if (status == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ)) {
    buffer[units - 1] = L'\0';
    return true;
  }
  std::fill(buffer, buffer + units, L'\0');
  return false;
}

template <size_t Units>
bool ReadKeyText(const RegistryKey& key, const wchar_t* valueName, wchar_t (&field)[Units]) {
  return ReadKeyString(key.get(), valueName, field, Units);
}

bool ReadKeyDword(const RegistryKey& key, const wchar_t* valueName, DWORD& out) {
  DWORD type = 0;
  DWORD value = 0;
  DWORD bytes = sizeof(value);
  if (RegQueryValueExW(key.get(), valueName, nullptr, &type, reinterpret_cast<BYTE*>(&value), &bytes) !=
          ERROR_SUCCESS ||
      type != REG_DWORD || bytes != sizeof(value)) {
    return false;
  }
  out = value;
  return true;
}

void ReadProcessor(SystemInfoRecord& record) {
  SYSTEM_INFO info{};
  GetNativeSystemInfo(&info);
  record.processorArchitecture = info.wProcessorArchitecture;
  record.logicalProcessors = info.dwNumberOfProcessors;
  record.physicalCores = SystemInfoCountProcessorRelations(RelationProcessorCore);
  record.processorPackages = SystemInfoCountProcessorRelations(RelationProcessorPackage);
  if (record.physicalCores == 0) record.physicalCores = record.logicalProcessors;
  if (record.processorPackages == 0 && record.logicalProcessors > 0) record.processorPackages = 1;
}

bool ReadMemory(SystemInfoRecord& record) {
  MEMORYSTATUSEX memory{};
  memory.dwLength = sizeof(memory);
  if (!GlobalMemoryStatusEx(&memory)) return false;
  record.memoryLoad = memory.dwMemoryLoad;
  record.totalPhys = memory.ullTotalPhys;
  record.availPhys = memory.ullAvailPhys;
  record.totalPageFile = memory.ullTotalPageFile;
  record.availPageFile = memory.ullAvailPageFile;
  return true;
}

void ReadSystemDisk(SystemInfoRecord& record) {
  wchar_t windowsFolder[MAX_PATH] = {};
  const UINT length = GetWindowsDirectoryW(windowsFolder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  const wchar_t drive[] = {windowsFolder[0], L':', L'\\', L'\0'};
  CopyCut(record.systemDrive, std::size(record.systemDrive), drive);
  ULARGE_INTEGER callerFree{};
  ULARGE_INTEGER total{};
  ULARGE_INTEGER totalFree{};
  if (GetDiskFreeSpaceExW(windowsFolder, &callerFree, &total, &totalFree)) {
    record.diskTotal = total.QuadPart;
    record.diskFree = totalFree.QuadPart;
  }
}

void ReadNames(SystemInfoRecord& record) {
  DWORD units = std::size(record.computerName);
  if (!GetComputerNameW(record.computerName, &units)) Clear(record.computerName);
  units = std::size(record.userName);
  if (!GetUserNameW(record.userName, &units)) Clear(record.userName);
}

void ReadVersion(SystemInfoRecord& record) {
  const auto rtlGetVersion = FindLoadedProcedure<RtlGetVersionFunction>(L"ntdll.dll", "RtlGetVersion");
  if (rtlGetVersion == nullptr) return;
  RTL_OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = sizeof(version);
  if (rtlGetVersion(&version) != 0) return;
  record.osBuild = version.dwBuildNumber;
}

// Each key is opened once and all its values read from that handle.
void ReadRegistryFacts(SystemInfoRecord& record) {
  RegistryKey key;
  DWORD number = 0;
  if (key.OpenForRead(HKEY_LOCAL_MACHINE, kCurrentVersionKey)) {
    ReadKeyText(key, L"ProductName", record.productName);
    if (!ReadKeyText(key, L"DisplayVersion", record.displayVersion)) {
      ReadKeyText(key, L"ReleaseId", record.displayVersion);
    }
    if (ReadKeyDword(key, L"InstallDate", number)) record.installUnixSeconds = number;
  }
  if (key.OpenForRead(HKEY_LOCAL_MACHINE, kProcessorKey)) {
    ReadKeyText(key, L"ProcessorNameString", record.processorName);
    number = 0;
    if (ReadKeyDword(key, L"~MHz", number)) record.processorMhz = number;
  }
  if (key.OpenForRead(HKEY_LOCAL_MACHINE, kBiosKey)) {
    ReadKeyText(key, L"SystemManufacturer", record.manufacturer);
    ReadKeyText(key, L"SystemProductName", record.model);
    ReadKeyText(key, L"BIOSVersion", record.biosVersion);
    ReadKeyText(key, L"BIOSReleaseDate", record.biosDate);
  }
}

void ReadDisplay(SystemInfoRecord& record) {
  record.screenWidth = static_cast<uint32_t>(std::max(0, GetSystemMetrics(SM_CXSCREEN)));
  record.screenHeight = static_cast<uint32_t>(std::max(0, GetSystemMetrics(SM_CYSCREEN)));
  record.dpi = kDefaultDpi;
  const auto getDpiForSystem =
      FindLoadedProcedure<GetDpiForSystemFunction>(L"user32.dll", "GetDpiForSystem");
  if (getDpiForSystem != nullptr) record.dpi = getDpiForSystem();
  SystemInfoReadPrimaryDisplay(record.graphics, std::size(record.graphics));
}

void ReadTimeZone(SystemInfoRecord& record) {
  DYNAMIC_TIME_ZONE_INFORMATION zone{};
  if (GetDynamicTimeZoneInformation(&zone) == TIME_ZONE_ID_INVALID) return;
  const wchar_t* name = zone.StandardName[0] != L'\0' ? zone.StandardName : zone.DaylightName;
  CopyCut(record.timeZone, std::size(record.timeZone), name);
}

void ReadPower(SystemInfoRecord& record) {
  SYSTEM_POWER_STATUS power{};
  if (!GetSystemPowerStatus(&power)) return;
  record.batteryPercent = power.BatteryLifePercent;
  record.acLineStatus = power.ACLineStatus;
}

}  // namespace

int SystemInfoCollect(SystemInfoRecord* record) {
  if (record == nullptr) return 0;
  std::memset(record, 0, sizeof(*record));
  record->batteryPercent = kPowerValueUnknown;
  record->acLineStatus = kPowerValueUnknown;

  ReadProcessor(*record);
  record->uptimeMs = GetTickCount64();
  record->virtualization = IsProcessorFeaturePresent(PF_VIRT_FIRMWARE_ENABLED) ? 1 : 0;
  if (!ReadMemory(*record)) return 0;
  ReadSystemDisk(*record);
  ReadNames(*record);
  ReadVersion(*record);
  ReadRegistryFacts(*record);
  ReadDisplay(*record);
  ReadTimeZone(*record);
  if (GetUserDefaultLocaleName(record->localeName, std::size(record->localeName)) == 0) {
    Clear(record->localeName);
  }
  SystemInfoReadNetworkAdapters(record);
  ReadPower(*record);
  return 1;
}

uint32_t SystemInfoCountProcessorRelations(LOGICAL_PROCESSOR_RELATIONSHIP relationship) {
  const auto query = [relationship](void* buffer, uint32_t& size) -> uint32_t {
    DWORD length = size;
    const BOOL ok = GetLogicalProcessorInformationEx(
        relationship, static_cast<PSYSTEM_LOGICAL_PROCESSOR_INFORMATION_EX>(buffer), &length);
    size = length;
    return ok ? ERROR_SUCCESS : GetLastError();
  };
  const ResizingQueryResult result = RunResizingQuery(query, 0, ERROR_INSUFFICIENT_BUFFER);
  if (!result.ok) return 0;

  // Entries have variable sizes: Relationship, then Size, then the entry's data.
  constexpr size_t kSizeOffset = sizeof(LOGICAL_PROCESSOR_RELATIONSHIP);
  const size_t length = std::min<size_t>(result.reportedBytes, result.bytes.size());
  uint32_t count = 0;
  size_t offset = 0;
  while (offset + kSizeOffset + sizeof(DWORD) <= length) {
    DWORD entrySize = 0;
    std::memcpy(&entrySize, result.bytes.data() + offset + kSizeOffset, sizeof(entrySize));
    if (entrySize == 0 || entrySize > length - offset) break;
    ++count;
    offset += entrySize;
  }
  return count;
}

void SystemInfoReadNetworkAdapters(SystemInfoRecord* record) {
  if (record == nullptr) return;
  const ResizingQueryResult result = ReadAdapterAddresses(AF_INET);
  if (!result.ok) return;

  const auto* adapter = reinterpret_cast<const IP_ADAPTER_ADDRESSES*>(result.bytes.data());
  for (; adapter != nullptr; adapter = adapter->Next) {
    if (adapter->OperStatus != IfOperStatusUp) continue;
    if (adapter->IfType == IF_TYPE_SOFTWARE_LOOPBACK || adapter->IfType == IF_TYPE_TUNNEL) continue;
    ++record->activeAdapters;
    if (record->ipv4[0] != L'\0') continue;
    for (const IP_ADAPTER_UNICAST_ADDRESS* unicast = adapter->FirstUnicastAddress; unicast != nullptr;
         unicast = unicast->Next) {
      const SOCKADDR* address = unicast->Address.lpSockaddr;
      if (address == nullptr || address->sa_family != AF_INET) continue;
      const auto* ipv4 = reinterpret_cast<const SOCKADDR_IN*>(address);
      if (InetNtopW(AF_INET, &ipv4->sin_addr, record->ipv4, std::size(record->ipv4)) == nullptr) {
        Clear(record->ipv4);
        continue;
      }
      CopyCut(record->adapterName, std::size(record->adapterName), adapter->FriendlyName);
      break;
    }
  }
}

void SystemInfoReadPrimaryDisplay(wchar_t* buffer, uint32_t units) {
  if (buffer == nullptr || units == 0) return;
  wchar_t fallback[sizeof(DISPLAY_DEVICEW::DeviceString) / sizeof(wchar_t)] = {};
  bool haveFallback = false;
  for (DWORD index = 0;; ++index) {
    DISPLAY_DEVICEW device{};
    device.cb = sizeof(device);
    if (!EnumDisplayDevicesW(nullptr, index, &device, 0)) break;
    if ((device.StateFlags & DISPLAY_DEVICE_ATTACHED_TO_DESKTOP) == 0 ||
        (device.StateFlags & DISPLAY_DEVICE_MIRRORING_DRIVER) != 0) {
      continue;
    }
    if (!haveFallback) {
      CopyCut(fallback, std::size(fallback), device.DeviceString);
      haveFallback = true;
    }
    if ((device.StateFlags & DISPLAY_DEVICE_PRIMARY_DEVICE) != 0) {
      CopyCut(buffer, units, device.DeviceString);
      return;
    }
  }
  CopyCut(buffer, units, fallback);
}

bool SystemInfoReadRegistryString(HKEY root, const wchar_t* key, const wchar_t* valueName,
                                  wchar_t* buffer, uint32_t units) {
  if (buffer == nullptr || units == 0) return false;
  RegistryKey opened;
  if (!opened.OpenForRead(root, key)) {
    std::fill(buffer, buffer + units, L'\0');
    return false;
  }
  return ReadKeyString(opened.get(), valueName, buffer, units);
}

}  // namespace nubo
