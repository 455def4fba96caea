#include <winsock2.h>
#include <ws2tcpip.h>

#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "maintenance/system/system_info_collect.h"
#include "maintenance/system/system_snapshot.h"

namespace nubo {
namespace {

enum class Kind { Text, Count, Flag };

// The 38 members of the snapshot and the JSON type of each.
const std::vector<std::pair<const char*, Kind>>& SnapshotKeys() {
  static const std::vector<std::pair<const char*, Kind>> keys = {
      {"operatingSystem", Kind::Text},        {"osEdition", Kind::Text},
      {"osDisplayVersion", Kind::Text},       {"osBuild", Kind::Count},
      {"architecture", Kind::Text},           {"computerName", Kind::Text},
      {"userName", Kind::Text},               {"processorName", Kind::Text},
      {"physicalCores", Kind::Count},         {"logicalProcessors", Kind::Count},
      {"processorPackages", Kind::Count},     {"processorMaxMegahertz", Kind::Count},
      {"virtualizationEnabled", Kind::Flag},  {"totalMemoryBytes", Kind::Count},
      {"availableMemoryBytes", Kind::Count},  {"memoryLoadPercent", Kind::Count},
      {"totalPageFileBytes", Kind::Count},    {"availablePageFileBytes", Kind::Count},
      {"systemDrive", Kind::Text},            {"systemDiskTotalBytes", Kind::Count},
      {"systemDiskFreeBytes", Kind::Count},   {"manufacturer", Kind::Text},
      {"model", Kind::Text},                  {"biosVersion", Kind::Text},
      {"biosDate", Kind::Text},               {"primaryGraphics", Kind::Text},
      {"primaryDisplayWidth", Kind::Count},   {"primaryDisplayHeight", Kind::Count},
      {"primaryDisplayDpi", Kind::Count},     {"timeZone", Kind::Text},
      {"localeName", Kind::Text},             {"activeNetworkAdapters", Kind::Count},
      {"primaryNetworkAdapter", Kind::Text},  {"primaryIpv4", Kind::Text},
      {"batteryPercent", Kind::Count},        {"acLineStatus", Kind::Count},
      {"uptimeMilliseconds", Kind::Count},    {"installUnixSeconds", Kind::Count},
  };
  return keys;
}

TEST(BuildSystemSnapshot, HasThe38KeysWithTheirTypes) {
  const nlohmann::json json = SystemSnapshotToJson(BuildSystemSnapshot());
  ASSERT_EQ(SnapshotKeys().size(), 38u);
  EXPECT_EQ(json.size(), 38u);
  for (const auto& [key, kind] : SnapshotKeys()) {
    ASSERT_TRUE(json.contains(key)) << key;
    switch (kind) {
      case Kind::Text:
        EXPECT_TRUE(json[key].is_string()) << key;
        break;
      case Kind::Count:
        EXPECT_TRUE(json[key].is_number_unsigned()) << key;
        break;
      case Kind::Flag:
        EXPECT_TRUE(json[key].is_boolean()) << key;
        break;
    }
  }
}

// What Wine shows of the machine: plausible values from every source it has.
TEST(BuildSystemSnapshot, ReadsThisMachine) {
  const SystemSnapshot snapshot = BuildSystemSnapshot();
  EXPECT_GT(snapshot.osBuild, 0u);
  EXPECT_TRUE(snapshot.operatingSystem == "Windows 10" || snapshot.operatingSystem == "Windows 11");
  EXPECT_EQ(snapshot.architecture, "x64");
  EXPECT_GE(snapshot.logicalProcessors, 1u);
  EXPECT_GE(snapshot.physicalCores, 1u);
  EXPECT_LE(snapshot.physicalCores, snapshot.logicalProcessors);
  EXPECT_GE(snapshot.processorPackages, 1u);
  EXPECT_GT(snapshot.totalMemoryBytes, 0u);
  EXPECT_LE(snapshot.availableMemoryBytes, snapshot.totalMemoryBytes);
  EXPECT_LE(snapshot.memoryLoadPercent, 100u);
  EXPECT_EQ(snapshot.systemDrive, "C:\\");
  EXPECT_GT(snapshot.systemDiskTotalBytes, 0u);
  EXPECT_LE(snapshot.systemDiskFreeBytes, snapshot.systemDiskTotalBytes);
  EXPECT_FALSE(snapshot.computerName.empty());
  EXPECT_FALSE(snapshot.userName.empty());
  EXPECT_FALSE(snapshot.localeName.empty());
  EXPECT_GT(snapshot.primaryDisplayDpi, 0u);
  EXPECT_GT(snapshot.uptimeMilliseconds, 0u);
}

TEST(SystemInfoCollect, RefusesAMissingRecord) { EXPECT_EQ(SystemInfoCollect(nullptr), 0); }

TEST(SystemInfoCollect, EveryTextEndsWithinItsField) {
  auto record = std::make_unique<SystemInfoRecord>();
  std::memset(record.get(), 0xFF, sizeof(*record));  // collector must clear what it leaves alone
  ASSERT_EQ(SystemInfoCollect(record.get()), 1);
  const auto terminated = [](const wchar_t* field, size_t units) {
    return std::wmemchr(field, L'\0', units) != nullptr;
  };
#define NUBO_EXPECT_TERMINATED(field) \
  EXPECT_TRUE(terminated(record->field, std::size(record->field))) << #field
  NUBO_EXPECT_TERMINATED(computerName);
  NUBO_EXPECT_TERMINATED(userName);
  NUBO_EXPECT_TERMINATED(productName);
  NUBO_EXPECT_TERMINATED(displayVersion);
  NUBO_EXPECT_TERMINATED(processorName);
  NUBO_EXPECT_TERMINATED(systemDrive);
  NUBO_EXPECT_TERMINATED(manufacturer);
  NUBO_EXPECT_TERMINATED(model);
  NUBO_EXPECT_TERMINATED(biosVersion);
  NUBO_EXPECT_TERMINATED(biosDate);
  NUBO_EXPECT_TERMINATED(graphics);
  NUBO_EXPECT_TERMINATED(timeZone);
  NUBO_EXPECT_TERMINATED(localeName);
  NUBO_EXPECT_TERMINATED(adapterName);
  NUBO_EXPECT_TERMINATED(ipv4);
#undef NUBO_EXPECT_TERMINATED
}

TEST(SystemInfoCountProcessorRelations, CountsCoresAndPackages) {
  SYSTEM_INFO info{};
  GetNativeSystemInfo(&info);
  const uint32_t cores = SystemInfoCountProcessorRelations(RelationProcessorCore);
  EXPECT_GE(cores, 1u);
  EXPECT_LE(cores, info.dwNumberOfProcessors);
  EXPECT_GE(SystemInfoCountProcessorRelations(RelationProcessorPackage), 1u);
}

TEST(SystemInfoReadNetworkAdapters, PrimaryAdapterHasAnIpv4Address) {
  auto record = std::make_unique<SystemInfoRecord>();
  std::memset(record.get(), 0, sizeof(*record));
  SystemInfoReadNetworkAdapters(record.get());
  SystemInfoReadNetworkAdapters(nullptr);  // ignored
  if (record->ipv4[0] == L'\0') {
    // Inside the tests' network namespace only loopback exists, which never counts.
    EXPECT_EQ(record->adapterName[0], L'\0');
    return;
  }
  EXPECT_GE(record->activeAdapters, 1u);
  EXPECT_NE(record->adapterName[0], L'\0');
  IN_ADDR parsed{};
  EXPECT_EQ(InetPtonW(AF_INET, record->ipv4, &parsed), 1);
}

TEST(SystemInfoReadPrimaryDisplay, CutsToTheGivenUnits) {
  wchar_t full[256];
  std::wmemset(full, L'?', 256);
  SystemInfoReadPrimaryDisplay(full, 256);
  ASSERT_NE(std::wmemchr(full, L'\0', 256), nullptr);
  wchar_t cut[4];
  std::wmemset(cut, L'?', 4);
  SystemInfoReadPrimaryDisplay(cut, 4);
  EXPECT_EQ(std::wstring(cut), std::wstring(full).substr(0, 3));
  SystemInfoReadPrimaryDisplay(cut, 0);  // nothing written
  SystemInfoReadPrimaryDisplay(nullptr, 4);
  EXPECT_EQ(std::wstring(cut), std::wstring(full).substr(0, 3));
}

// ---- Registry strings, against a key of the test's own ----------------------

class RegistryStrings : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = L"Software\\NuboTests\\registry-" + std::to_wstring(GetCurrentProcessId());
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key_, nullptr),
              ERROR_SUCCESS);
  }
  void TearDown() override {
    RegCloseKey(key_);
    RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
  }

  void Set(const wchar_t* name, DWORD type, const void* data, DWORD bytes) {
    ASSERT_EQ(RegSetValueExW(key_, name, 0, type, static_cast<const BYTE*>(data), bytes), ERROR_SUCCESS);
  }
  void SetText(const wchar_t* name, DWORD type, const std::wstring& text) {
    Set(name, type, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  }

  // The read's answer and the buffer's text.
  std::pair<bool, std::wstring> Read(const wchar_t* name, uint32_t units) {
    std::vector<wchar_t> buffer(units + 1, L'#');  // one guard unit past the given size
    const bool ok = SystemInfoReadRegistryString(HKEY_CURRENT_USER, path_.c_str(), name, buffer.data(), units);
    EXPECT_EQ(buffer[units], L'#') << "wrote past the buffer";
    return {ok, std::wstring(buffer.data(), wcsnlen(buffer.data(), units))};
  }

  std::wstring path_;
  HKEY key_ = nullptr;
};

TEST_F(RegistryStrings, TextTypesAreTaken) {
  SetText(L"plain", REG_SZ, L"Windows 10 Pro");
  SetText(L"expand", REG_EXPAND_SZ, L"%SystemRoot%\\x");
  Set(L"multi", REG_MULTI_SZ, L"first\0second\0", 14 * sizeof(wchar_t));
  EXPECT_EQ(Read(L"plain", 64), std::make_pair(true, std::wstring(L"Windows 10 Pro")));
  EXPECT_EQ(Read(L"expand", 64), std::make_pair(true, std::wstring(L"%SystemRoot%\\x")));
  EXPECT_EQ(Read(L"multi", 64), std::make_pair(true, std::wstring(L"first")));
}

TEST_F(RegistryStrings, ValueThatDoesNotFitLeavesTheFieldEmpty) {
  SetText(L"long", REG_SZ, L"abcdefgh");
  EXPECT_EQ(Read(L"long", 8), std::make_pair(false, std::wstring()));  // 9 units with its NUL
  EXPECT_EQ(Read(L"long", 9), std::make_pair(true, std::wstring(L"abcdefgh")));
}

TEST_F(RegistryStrings, UnterminatedValueEndsAtTheEmptiedRest) {
  Set(L"bare", REG_SZ, L"abcd", 4 * sizeof(wchar_t));
  EXPECT_EQ(Read(L"bare", 5), std::make_pair(true, std::wstring(L"abcd")));
  EXPECT_EQ(Read(L"bare", 64), std::make_pair(true, std::wstring(L"abcd")));
}

TEST_F(RegistryStrings, OtherTypesMissingValuesAndKeysGiveFalse) {
  const DWORD number = 7;
  Set(L"number", REG_DWORD, &number, sizeof(number));
  EXPECT_EQ(Read(L"number", 16), std::make_pair(false, std::wstring()));
  EXPECT_EQ(Read(L"missing", 16), std::make_pair(false, std::wstring()));
  wchar_t buffer[8] = L"keep";
  EXPECT_FALSE(SystemInfoReadRegistryString(HKEY_CURRENT_USER, L"Software\\NuboTests\\no-such-key",
                                            L"x", buffer, 8));
  EXPECT_EQ(buffer[0], L'\0');
  EXPECT_FALSE(SystemInfoReadRegistryString(HKEY_CURRENT_USER, path_.c_str(), L"x", nullptr, 8));
  wchar_t untouched[2] = {L'k', L'\0'};
  EXPECT_FALSE(SystemInfoReadRegistryString(HKEY_CURRENT_USER, path_.c_str(), L"x", untouched, 0));
  EXPECT_EQ(untouched[0], L'k');
}

}  // namespace
}  // namespace nubo
