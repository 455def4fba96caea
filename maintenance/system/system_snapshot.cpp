#include "maintenance/system/system_snapshot.h"

#include <memory>
#include <stdexcept>
#include <string_view>

#include "maintenance/system/system_info_collect.h"
#include "maintenance/system/system_texts.h"
#include "store/text_convert.h"

namespace nubo {
namespace {

// A field's text up to its first NUL, never past its width.
template <size_t Units>
std::string FieldText(const wchar_t (&field)[Units]) {
  size_t length = 0;
  while (length < Units && field[length] != L'\0') ++length;
  return Utf16ToUtf8(std::wstring_view(field, length));
}

bool IsWindows11Build(uint32_t build) { return build > system_texts::kLastWindows10Build; }

std::string EditionText(std::string productName, uint32_t build) {
  if (!IsWindows11Build(build)) return productName;
  const size_t at = productName.find(system_texts::kWindows10);
  if (at != std::string::npos) {
    productName.replace(at, system_texts::kWindows10.size(), system_texts::kWindows11);
  }
  return productName;
}

std::string_view ArchitectureWord(uint32_t architecture) {
  switch (architecture) {
    case system_texts::kArchitectureX86:
      return system_texts::kX86;
    case system_texts::kArchitectureX64:
      return system_texts::kX64;
    case system_texts::kArchitectureArm64:
      return system_texts::kArm64;
    default:
      return system_texts::kUnknownArchitecture;
  }
}

}  // namespace

SystemSnapshot SnapshotFromRecord(const SystemInfoRecord& record) {
  SystemSnapshot snapshot;
  snapshot.operatingSystem =
      IsWindows11Build(record.osBuild) ? system_texts::kWindows11 : system_texts::kWindows10;
  snapshot.osEdition = EditionText(FieldText(record.productName), record.osBuild);
  snapshot.osDisplayVersion = FieldText(record.displayVersion);
  snapshot.architecture = ArchitectureWord(record.processorArchitecture);
  snapshot.computerName = FieldText(record.computerName);
  snapshot.userName = FieldText(record.userName);
  snapshot.processorName = FieldText(record.processorName);
  snapshot.systemDrive = FieldText(record.systemDrive);
  snapshot.manufacturer = FieldText(record.manufacturer);
  snapshot.model = FieldText(record.model);
  snapshot.biosVersion = FieldText(record.biosVersion);
  snapshot.biosDate = FieldText(record.biosDate);
  snapshot.primaryGraphics = FieldText(record.graphics);
  snapshot.timeZone = FieldText(record.timeZone);
  snapshot.localeName = FieldText(record.localeName);
  snapshot.primaryNetworkAdapter = FieldText(record.adapterName);
  snapshot.primaryIpv4 = FieldText(record.ipv4);

  snapshot.osBuild = record.osBuild;
  snapshot.logicalProcessors = record.logicalProcessors;
  snapshot.physicalCores = record.physicalCores;
  snapshot.processorPackages = record.processorPackages;
  snapshot.processorMaxMegahertz = record.processorMhz;
  snapshot.memoryLoadPercent = record.memoryLoad;
  snapshot.primaryDisplayWidth = record.screenWidth;
  snapshot.primaryDisplayHeight = record.screenHeight;
  snapshot.primaryDisplayDpi = record.dpi;
  snapshot.activeNetworkAdapters = record.activeAdapters;
  snapshot.batteryPercent = record.batteryPercent;
  snapshot.acLineStatus = record.acLineStatus;
  snapshot.virtualizationEnabled = record.virtualization != 0;
  snapshot.totalMemoryBytes = record.totalPhys;
  snapshot.availableMemoryBytes = record.availPhys;
  snapshot.totalPageFileBytes = record.totalPageFile;
  snapshot.availablePageFileBytes = record.availPageFile;
  snapshot.systemDiskTotalBytes = record.diskTotal;
  snapshot.systemDiskFreeBytes = record.diskFree;
  snapshot.uptimeMilliseconds = record.uptimeMs;
  snapshot.installUnixSeconds = record.installUnixSeconds;
  return snapshot;
}

SystemSnapshot BuildSystemSnapshot() {
  const auto record = std::make_unique<SystemInfoRecord>();
  if (SystemInfoCollect(record.get()) == 0) {
    throw std::runtime_error(std::string(system_texts::kCollectFailed));
  }
  return SnapshotFromRecord(*record);
}

nlohmann::json SystemSnapshotToJson(const SystemSnapshot& s) {
  return nlohmann::json{
      {"operatingSystem", s.operatingSystem},
      {"osEdition", s.osEdition},
      {"osDisplayVersion", s.osDisplayVersion},
      {"osBuild", s.osBuild},
      {"architecture", s.architecture},
      {"computerName", s.computerName},
      {"userName", s.userName},
      {"processorName", s.processorName},
      {"physicalCores", s.physicalCores},
      {"logicalProcessors", s.logicalProcessors},
      {"processorPackages", s.processorPackages},
      {"processorMaxMegahertz", s.processorMaxMegahertz},
      {"virtualizationEnabled", s.virtualizationEnabled},
      {"totalMemoryBytes", s.totalMemoryBytes},
      {"availableMemoryBytes", s.availableMemoryBytes},
      {"memoryLoadPercent", s.memoryLoadPercent},
      {"totalPageFileBytes", s.totalPageFileBytes},
      {"availablePageFileBytes", s.availablePageFileBytes},
      {"systemDrive", s.systemDrive},
      {"systemDiskTotalBytes", s.systemDiskTotalBytes},
      {"systemDiskFreeBytes", s.systemDiskFreeBytes},
      {"manufacturer", s.manufacturer},
      {"model", s.model},
      {"biosVersion", s.biosVersion},
      {"biosDate", s.biosDate},
      {"primaryGraphics", s.primaryGraphics},
      {"primaryDisplayWidth", s.primaryDisplayWidth},
      {"primaryDisplayHeight", s.primaryDisplayHeight},
      {"primaryDisplayDpi", s.primaryDisplayDpi},
      {"timeZone", s.timeZone},
      {"localeName", s.localeName},
      {"activeNetworkAdapters", s.activeNetworkAdapters},
      {"primaryNetworkAdapter", s.primaryNetworkAdapter},
      {"primaryIpv4", s.primaryIpv4},
      {"batteryPercent", s.batteryPercent},
      {"acLineStatus", s.acLineStatus},
      {"uptimeMilliseconds", s.uptimeMilliseconds},
      {"installUnixSeconds", s.installUnixSeconds},
  };
}

}  // namespace nubo
