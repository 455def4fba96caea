#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include <nlohmann/json.hpp>

#include "maintenance/system/system_info_record.h"

namespace nubo {

// One page of facts about the machine, as the workbench shows them.
struct SystemSnapshot {
  std::string operatingSystem;
  std::string osEdition;
  std::string osDisplayVersion;
  std::string architecture;
  std::string computerName;
  std::string userName;
  std::string processorName;
  std::string systemDrive;
  std::string manufacturer;
  std::string model;
  std::string biosVersion;
  std::string biosDate;
  std::string primaryGraphics;
  std::string timeZone;
  std::string localeName;
  std::string primaryNetworkAdapter;
  std::string primaryIpv4;
  uint32_t osBuild = 0;
  uint32_t logicalProcessors = 0;
  uint32_t physicalCores = 0;
  uint32_t processorPackages = 0;
  uint32_t processorMaxMegahertz = 0;
  uint32_t memoryLoadPercent = 0;
  uint32_t primaryDisplayWidth = 0;
  uint32_t primaryDisplayHeight = 0;
  uint32_t primaryDisplayDpi = 0;
  uint32_t activeNetworkAdapters = 0;
  uint32_t batteryPercent = 0;  // 255: no value
  uint32_t acLineStatus = 0;    // 255: no value
  bool virtualizationEnabled = false;
  uint64_t totalMemoryBytes = 0;
  uint64_t availableMemoryBytes = 0;
  uint64_t totalPageFileBytes = 0;
  uint64_t availablePageFileBytes = 0;
  uint64_t systemDiskTotalBytes = 0;
  uint64_t systemDiskFreeBytes = 0;
  uint64_t uptimeMilliseconds = 0;
  uint64_t installUnixSeconds = 0;
};

// Where a snapshot comes from: BuildSystemSnapshot for the program.
using SystemSnapshotSource = std::function<SystemSnapshot()>;

// The snapshot of a collected record: texts converted to UTF-8, the Windows
// generation and edition told by the build, the architecture named.
SystemSnapshot SnapshotFromRecord(const SystemInfoRecord& record);

// Collects and converts; throws "无法读取 Windows 系统信息。" when the
// collector fails.
SystemSnapshot BuildSystemSnapshot();

// The 38 members, texts as strings, counts as unsigned numbers.
nlohmann::json SystemSnapshotToJson(const SystemSnapshot& snapshot);

}  // namespace nubo
