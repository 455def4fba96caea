#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "maintenance/system/system_info_record.h"
#include "maintenance/system/system_snapshot.h"
#include "tests/support/case_name.h"

namespace nubo {
namespace {

std::unique_ptr<SystemInfoRecord> EmptyRecord() {
  auto record = std::make_unique<SystemInfoRecord>();
  std::memset(record.get(), 0, sizeof(*record));
  return record;
}

template <size_t Units>
void SetText(wchar_t (&field)[Units], const wchar_t* text) {
  std::memset(field, 0, sizeof(field));
  wcsncpy(field, text, Units - 1);
}

struct EditionCase {
  std::string name;
  uint32_t build;
  const wchar_t* productName;
  std::string operatingSystem;
  std::string edition;
};

class EditionDerivation : public ::testing::TestWithParam<EditionCase> {};

TEST_P(EditionDerivation, FollowsTheBuild) {
  auto record = EmptyRecord();
  record->osBuild = GetParam().build;
  SetText(record->productName, GetParam().productName);
  const SystemSnapshot snapshot = SnapshotFromRecord(*record);
  EXPECT_EQ(snapshot.operatingSystem, GetParam().operatingSystem);
  EXPECT_EQ(snapshot.osEdition, GetParam().edition);
  EXPECT_EQ(snapshot.osBuild, GetParam().build);
}

INSTANTIATE_TEST_SUITE_P(
    SnapshotFromRecord, EditionDerivation,
    ::testing::Values(
        EditionCase{"Build22000Pro", 22000, L"Windows 10 Pro", "Windows 11", "Windows 11 Pro"},
        EditionCase{"Build21999Pro", 21999, L"Windows 10 Pro", "Windows 10", "Windows 10 Pro"},
        EditionCase{"Build19045Home", 19045, L"Windows 10 Home", "Windows 10", "Windows 10 Home"},
        EditionCase{"Build26100ExactName", 26100, L"Windows 10", "Windows 11", "Windows 11"},
        EditionCase{"OnlyFirstOccurrence", 22631, L"Windows 10 Windows 10", "Windows 11",
                    "Windows 11 Windows 10"},
        EditionCase{"ShortNameUnchanged", 22000, L"Win 10", "Windows 11", "Win 10"},
        EditionCase{"ServerNameUnchanged", 22000, L"Windows Server 2022", "Windows 11",
                    "Windows Server 2022"},
        EditionCase{"NoProductName", 0, L"", "Windows 10", ""}),
    testing::CaseName());

struct ArchitectureCase {
  std::string name;
  uint32_t value;
  std::string word;
};

class ArchitectureDerivation : public ::testing::TestWithParam<ArchitectureCase> {};

TEST_P(ArchitectureDerivation, NamesTheArchitecture) {
  auto record = EmptyRecord();
  record->processorArchitecture = GetParam().value;
  EXPECT_EQ(SnapshotFromRecord(*record).architecture, GetParam().word);
}

INSTANTIATE_TEST_SUITE_P(SnapshotFromRecord, ArchitectureDerivation,
                         ::testing::Values(ArchitectureCase{"X86", 0, "x86"},
                                           ArchitectureCase{"X64", 9, "x64"},
                                           ArchitectureCase{"Arm64", 12, "ARM64"},
                                           ArchitectureCase{"Arm", 5, "未知"},
                                           ArchitectureCase{"Ia64", 6, "未知"},
                                           ArchitectureCase{"Unknown", 0xFFFF, "未知"}),
                         testing::CaseName());

TEST(SnapshotFromRecord, EveryNumberLandsInItsOwnKey) {
  auto record = EmptyRecord();
  record->osBuild = 1;
  record->logicalProcessors = 2;
  record->physicalCores = 3;
  record->processorPackages = 4;
  record->processorMhz = 5;
  record->memoryLoad = 6;
  record->screenWidth = 7;
  record->screenHeight = 8;
  record->dpi = 9;
  record->activeAdapters = 10;
  record->batteryPercent = 11;
  record->acLineStatus = 12;
  record->virtualization = 2;
  record->totalPhys = 1ull << 40;
  record->availPhys = 14;
  record->totalPageFile = 15;
  record->availPageFile = 16;
  record->diskTotal = 17;
  record->diskFree = 18;
  record->uptimeMs = 19;
  record->installUnixSeconds = 20;
  const nlohmann::json json = SystemSnapshotToJson(SnapshotFromRecord(*record));
  const std::vector<std::pair<const char*, uint64_t>> expected = {
      {"osBuild", 1},
      {"logicalProcessors", 2},
      {"physicalCores", 3},
      {"processorPackages", 4},
      {"processorMaxMegahertz", 5},
      {"memoryLoadPercent", 6},
      {"primaryDisplayWidth", 7},
      {"primaryDisplayHeight", 8},
      {"primaryDisplayDpi", 9},
      {"activeNetworkAdapters", 10},
      {"batteryPercent", 11},
      {"acLineStatus", 12},
      {"totalMemoryBytes", 1ull << 40},
      {"availableMemoryBytes", 14},
      {"totalPageFileBytes", 15},
      {"availablePageFileBytes", 16},
      {"systemDiskTotalBytes", 17},
      {"systemDiskFreeBytes", 18},
      {"uptimeMilliseconds", 19},
      {"installUnixSeconds", 20},
  };
  for (const auto& [key, value] : expected) {
    EXPECT_EQ(json.at(key).get<uint64_t>(), value) << key;
  }
  EXPECT_EQ(json["virtualizationEnabled"], true);
  record->virtualization = 0;
  EXPECT_EQ(SystemSnapshotToJson(SnapshotFromRecord(*record))["virtualizationEnabled"], false);
}

TEST(SnapshotFromRecord, EveryTextLandsInItsOwnKey) {
  auto record = EmptyRecord();
  SetText(record->displayVersion, L"23H2");
  SetText(record->computerName, L"星朵-PC");
  SetText(record->userName, L"user");
  SetText(record->processorName, L"cpu");
  SetText(record->systemDrive, L"D:\\");
  SetText(record->manufacturer, L"maker");
  SetText(record->model, L"model");
  SetText(record->biosVersion, L"bios 1.0");
  SetText(record->biosDate, L"01/02/2024");
  SetText(record->graphics, L"adapter");
  SetText(record->timeZone, L"China Standard Time");
  SetText(record->localeName, L"zh-CN");
  SetText(record->adapterName, L"以太网");
  SetText(record->ipv4, L"192.168.1.20");
  const nlohmann::json json = SystemSnapshotToJson(SnapshotFromRecord(*record));
  EXPECT_EQ(json["osDisplayVersion"], "23H2");
  EXPECT_EQ(json["computerName"], "星朵-PC");
  EXPECT_EQ(json["userName"], "user");
  EXPECT_EQ(json["processorName"], "cpu");
  EXPECT_EQ(json["systemDrive"], "D:\\");
  EXPECT_EQ(json["manufacturer"], "maker");
  EXPECT_EQ(json["model"], "model");
  EXPECT_EQ(json["biosVersion"], "bios 1.0");
  EXPECT_EQ(json["biosDate"], "01/02/2024");
  EXPECT_EQ(json["primaryGraphics"], "adapter");
  EXPECT_EQ(json["timeZone"], "China Standard Time");
  EXPECT_EQ(json["localeName"], "zh-CN");
  EXPECT_EQ(json["primaryNetworkAdapter"], "以太网");
  EXPECT_EQ(json["primaryIpv4"], "192.168.1.20");
}

TEST(SnapshotFromRecord, TextFillingItsWholeFieldStopsAtTheFieldEnd) {
  auto record = EmptyRecord();
  for (wchar_t& unit : record->systemDrive) unit = L'x';  // no NUL at all
  record->model[0] = L'm';
  EXPECT_EQ(SnapshotFromRecord(*record).systemDrive, std::string(16, 'x'));
}

}  // namespace
}  // namespace nubo
