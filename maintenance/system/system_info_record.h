#pragma once

#include <cstdint>

namespace nubo {

// The battery and AC fields hold this when Windows gives no value.
inline constexpr uint32_t kPowerValueUnknown = 255;

// Facts read straight from Windows, in fixed-width fields. Every text is
// NUL-terminated within its width; a registry value that does not fit is
// left empty, a copied text is cut.
struct SystemInfoRecord {
  uint32_t osBuild;
  uint32_t processorArchitecture;  // PROCESSOR_ARCHITECTURE_* of the native system
  uint32_t logicalProcessors;
  uint32_t physicalCores;
  uint32_t processorPackages;
  uint32_t processorMhz;
  uint32_t memoryLoad;
  uint32_t screenWidth;
  uint32_t screenHeight;
  uint32_t dpi;
  uint32_t activeAdapters;
  uint32_t batteryPercent;
  uint32_t acLineStatus;
  uint32_t virtualization;
  uint64_t totalPhys;
  uint64_t availPhys;
  uint64_t totalPageFile;
  uint64_t availPageFile;
  uint64_t diskTotal;
  uint64_t diskFree;
  uint64_t uptimeMs;
  uint64_t installUnixSeconds;
  wchar_t computerName[256];
  wchar_t userName[256];
  wchar_t productName[128];
  wchar_t displayVersion[64];
  wchar_t processorName[256];
  wchar_t systemDrive[16];
  wchar_t manufacturer[128];
  wchar_t model[128];
  wchar_t biosVersion[128];
  wchar_t biosDate[64];
  wchar_t graphics[256];
  wchar_t timeZone[128];
  wchar_t localeName[96];
  wchar_t adapterName[256];
  wchar_t ipv4[64];
};

}  // namespace nubo
