#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "store/registry_key.h"
#include "maintenance/software/software_inventory.h"
#include "maintenance/software/software_service.h"
#include "maintenance/software/software_texts.h"
#include "maintenance/software/uninstall_registry.h"
#include "store/text_convert.h"
#include "tests/maintenance/software/software_fixture.h"
#include "tests/support/temp_dir.h"

namespace nubo {
namespace {

using testing::FixturePath;

constexpr const wchar_t* kUninstall = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// Uninstall subkeys written into the test prefix's registry, removed again.
class ProbeKeys {
 public:
  ~ProbeKeys() {
    for (const auto& [hive, view, name] : made_) RegDeleteKeyExW(hive, (kUninstall + name).c_str(), view, 0);
  }
  HKEY Make(HKEY hive, REGSAM view, const std::wstring& name) {
    RegistryKey key;
    if (RegCreateKeyExW(hive, (kUninstall + name).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr,
                        key.out(), nullptr) != ERROR_SUCCESS) {
      throw std::runtime_error("cannot create the probe key");
    }
    made_.push_back({hive, view, name});
    keys_.push_back(std::move(key));
    return keys_.back().get();
  }
  void Close() { keys_.clear(); }
  static void Text(HKEY key, const wchar_t* name, const std::wstring& value, DWORD type = REG_SZ) {
    RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  }
  static void Dword(HKEY key, const wchar_t* name, DWORD value) {
    RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
  }

 private:
  struct Made {
    HKEY hive;
    REGSAM view;
    std::wstring name;
  };
  std::vector<Made> made_;
  std::vector<RegistryKey> keys_;
};

std::vector<RegisteredSoftware> Probes(const std::vector<RegisteredSoftware>& all) {
  std::vector<RegisteredSoftware> probes;
  for (const auto& program : all) {
    if (program.id.find("|NuboProbe") != std::string::npos) probes.push_back(program);
  }
  return probes;
}

const RegisteredSoftware& ById(const std::vector<RegisteredSoftware>& list, const std::string& id) {
  for (const auto& program : list) {
    if (program.id == id) return program;
  }
  throw std::runtime_error("not listed: " + id);
}

TEST(SoftwareInventory, WalksFourViewsInOrderWithoutMergingThem) {
  ProbeKeys keys;
  using View = std::pair<HKEY, REGSAM>;
  for (auto [hive, view] : {View{HKEY_CURRENT_USER, KEY_WOW64_64KEY}, View{HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY},
                            View{HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY}}) {
    ProbeKeys::Text(keys.Make(hive, view, L"NuboProbeViews"), L"DisplayName", L"Nubo Views");
  }
  keys.Close();
  std::vector<std::pair<std::wstring, uint32_t>> seen;
  SoftwareRegistryEnumerate(
      [](const UninstallRegistryRecord& record, void* user) {
        if (std::wstring(record.id).ends_with(L"|NuboProbeViews")) {
          static_cast<decltype(seen)*>(user)->emplace_back(record.id, record.flags);
        }
        return 1;
      },
      &seen);
  // The per-user key is one key that both views show: listed twice.
  const decltype(seen) expected = {{L"HKCU|64|NuboProbeViews", 0x9},
                                   {L"HKLM|64|NuboProbeViews", 0x8},
                                   {L"HKCU|32|NuboProbeViews", 0x1},
                                   {L"HKLM|32|NuboProbeViews", 0x0}};
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(SoftwareRegistryEnumerate(nullptr, nullptr), 0);

  const auto programs = Probes(ReadInstalledSoftware({}));
  ASSERT_EQ(programs.size(), 4u);
  EXPECT_EQ(ById(programs, "HKLM|32|NuboProbeViews").registryPath,
            "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\NuboProbeViews (32 位视图)");
  EXPECT_EQ(ById(programs, "HKCU|64|NuboProbeViews").registryPath,
            "HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\NuboProbeViews (64 位视图)");
  EXPECT_TRUE(ById(programs, "HKCU|32|NuboProbeViews").currentUser);
  EXPECT_FALSE(ById(programs, "HKLM|64|NuboProbeViews").currentUser);
}

TEST(SoftwareInventory, FieldsAreReadWholeOrLeftEmpty) {
  ProbeKeys keys;
  const auto make = [&](const std::wstring& name) { return keys.Make(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, name); };
  ProbeKeys::Text(make(L"NuboProbe383"), L"DisplayName", std::wstring(383, L'n'));
  ProbeKeys::Text(make(L"NuboProbe384"), L"DisplayName", std::wstring(384, L'n'));
  ProbeKeys::Text(make(L"NuboProbeNoName"), L"Publisher", L"Nobody");
  HKEY typed = make(L"NuboProbeTyped");
  ProbeKeys::Text(typed, L"DisplayName", L"Nubo Typed");
  ProbeKeys::Dword(typed, L"DisplayVersion", 5);
  ProbeKeys::Text(typed, L"Publisher", std::wstring(256, L'p'));  // one unit too long
  ProbeKeys::Text(typed, L"InstallLocation", L"\"C:\\swfix\\real\\\"");
  ProbeKeys::Text(typed, L"EstimatedSize", L"2048");
  ProbeKeys::Dword(typed, L"SystemComponent", 1);
  ProbeKeys::Dword(typed, L"NoRemove", 0);
  ProbeKeys::Text(typed, L"QuietUninstallString", L"quiet /S");
  HKEY icon = make(L"NuboProbeIcon");
  ProbeKeys::Text(icon, L"DisplayName", L"Nubo %OS% Icon", REG_EXPAND_SZ);
  ProbeKeys::Text(icon, L"DisplayIcon", L" \"C:\\swfix\\app\\app.exe\",0");
  ProbeKeys::Dword(icon, L"EstimatedSize", 2048);
  ProbeKeys::Dword(icon, L"NoRemove", 1);
  HKEY ico = make(L"NuboProbeIco");
  ProbeKeys::Text(ico, L"DisplayName", L"Nubo Ico");
  ProbeKeys::Text(ico, L"DisplayIcon", L"C:\\swfix\\app\\app.ico");
  ProbeKeys::Text(ico, L"UninstallString", L"\"C:\\swfix\\app\\app.exe\" /S");
  ProbeKeys::Text(ico, L"QuietUninstallString", L"quiet");
  HKEY msi = make(L"NuboProbeMsi");
  ProbeKeys::Text(msi, L"DisplayName", L"Nubo Msi");
  ProbeKeys::Text(msi, L"UninstallString", L"MsiExec.exe /I{12345678-1234-1234-1234-123456789012}");
  ProbeKeys::Dword(msi, L"WindowsInstaller", 1);
  keys.Close();

  const auto programs = Probes(ReadInstalledSoftware({}));
  ASSERT_EQ(programs.size(), 5u);
  EXPECT_EQ(ById(programs, "HKLM|64|NuboProbe383").displayName, std::string(383, 'n'));
  const auto& t = ById(programs, "HKLM|64|NuboProbeTyped");
  EXPECT_EQ(t.displayVersion, "");
  EXPECT_EQ(t.publisher, "");
  EXPECT_EQ(t.installLocation, "\"C:\\swfix\\real\\\"");
  EXPECT_FALSE(t.installLocationInferred);
  EXPECT_EQ(t.estimatedSizeBytes, 0u);
  EXPECT_TRUE(t.systemComponent);
  EXPECT_FALSE(t.noRemove);
  EXPECT_EQ(t.uninstallCommand, L"quiet /S");
  const auto& i = ById(programs, "HKLM|64|NuboProbeIcon");
  EXPECT_EQ(i.displayName, "Nubo Windows_NT Icon");
  EXPECT_EQ(i.mainExecutablePath, L"C:\\swfix\\app\\app.exe");
  EXPECT_EQ(i.installLocation, "C:\\swfix\\app");
  EXPECT_TRUE(i.installLocationInferred);
  EXPECT_EQ(i.estimatedSizeBytes, 2097152u);
  EXPECT_TRUE(i.noRemove);
  const auto& o = ById(programs, "HKLM|64|NuboProbeIco");
  EXPECT_EQ(o.mainExecutablePath, L"C:\\swfix\\app\\app.exe");
  EXPECT_EQ(o.uninstallCommand, L"\"C:\\swfix\\app\\app.exe\" /S");
  const auto& m = ById(programs, "HKLM|64|NuboProbeMsi");
  EXPECT_EQ(m.mainExecutablePath, L"");
  EXPECT_EQ(m.installLocation, "");
  EXPECT_FALSE(m.installLocationInferred);
  EXPECT_TRUE(m.windowsInstaller);

  // Sorted by name ignoring case; the system component stays off the public list.
  EXPECT_TRUE(std::is_sorted(programs.begin(), programs.end(), CompareSoftwareByDisplayName));
  std::set<std::string> listed;
  for (const auto& entry : SoftwareService().ListSoftware()) listed.insert(entry.id);
  EXPECT_TRUE(listed.count("HKLM|64|NuboProbeIcon"));
  EXPECT_FALSE(listed.count("HKLM|64|NuboProbeTyped"));

  int asked = 0;
  try {
    ReadInstalledSoftware([&] { return ++asked == 2; });
    ADD_FAILURE() << "a stopped read must throw";
  } catch (const std::runtime_error& error) {
    EXPECT_EQ(error.what(), std::string(kInventoryStopped));
  }
  EXPECT_EQ(asked, 2);
}

TEST(SoftwareInventory, ValueNamesMatchIgnoringCaseAndOversizedValuesLeaveOnlyTheirField) {
  ProbeKeys keys;
  HKEY key = keys.Make(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, L"NuboProbeCase");
  ProbeKeys::Text(key, std::wstring(40, L'v').c_str(), L"a name longer than any read");
  ProbeKeys::Text(key, L"displayNAME", L"Nubo Case");
  ProbeKeys::Text(key, L"UNINSTALLSTRING", L"C:\\" + std::wstring(3000, L'u'));  // larger than every field
  ProbeKeys::Text(key, L"quietuninstallstring", L"quiet");
  ProbeKeys::Text(key, L"DisplayVersion", std::wstring(191, L'9'));  // terminator fills the field
  ProbeKeys::Dword(key, L"estimatedsize", 3);
  ProbeKeys::Dword(key, L"noremove", 1);
  keys.Close();

  const auto programs = Probes(ReadInstalledSoftware({}));
  ASSERT_EQ(programs.size(), 1u);
  EXPECT_EQ(programs[0].displayName, "Nubo Case");
  EXPECT_EQ(programs[0].uninstallCommand, L"quiet");
  EXPECT_EQ(programs[0].displayVersion, std::string(191, '9'));
  EXPECT_EQ(programs[0].estimatedSizeBytes, 3072u);
  EXPECT_TRUE(programs[0].noRemove);
}

TEST(SoftwareInventory, RegistryLocationsAndKeyNamesFromIds) {
  struct Case {
    std::string id, location;
  };
  for (const Case& c : std::vector<Case>{
           {"HKLM|32|Example",
            "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Example (32 位视图)"},
           {"HKCU|64|a|b", "HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\a|b (64 位视图)"},
           {"hkcu|64|x", "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\x (64 位视图)"},
           {"HKLM|32|", ""},
           {"HKLM|32", ""},
           {"", ""}}) {
    EXPECT_EQ(FormatRegistryLocation(c.id), c.location) << c.id;
  }
  EXPECT_EQ(RegistryKeyNameFromId(L"HKLM|64|Example|x"), L"Example|x");
  EXPECT_EQ(RegistryKeyNameFromId(L"HKLM|64"), L"");
  const std::vector<RegisteredSoftware> list(2);
  EXPECT_EQ(FindRegisteredSoftware(list, "", ""), &list[0]);
  EXPECT_EQ(FindRegisteredSoftware(list, "", "x"), nullptr);
}

TEST(SoftwareInventory, ExecutablePathsFromIconsAndCommandLines) {
  struct Case {
    std::wstring text, path;
  };
  for (const Case& c : std::vector<Case>{
           {L"\"C:\\swfix\\app\\app.exe\",0", L"C:\\swfix\\app\\app.exe"},
           {L"  C:\\swfix\\app\\APP.EXE /uninstall", L"C:\\swfix\\app\\APP.EXE"},
           {L"C:\\swfix\\app\\app.ico", L""},
           {L"C:\\swfix\\app\\other.exe", L""},
           {L"C:\\swfix\\applink\\app.exe", L""},
           {L"MsiExec.exe /X{1}", L""},
           {L".exe", L""},
           {L"", L""}}) {
    EXPECT_EQ(ExtractExecutablePath(c.text), c.path) << c.text;
  }
}

TEST(SoftwareInventory, EntryJsonLeavesOutTheSystemComponentFlag) {
  SoftwareEntry entry;
  entry.id = "HKLM|64|x";
  entry.estimatedSizeBytes = 2097152;
  entry.noRemove = true;
  const nlohmann::json json = SoftwareEntryToJson(entry);
  EXPECT_EQ(json.size(), 11u);
  EXPECT_FALSE(json.contains("systemComponent"));
  EXPECT_EQ(json["estimatedSizeBytes"], 2097152u);
  EXPECT_EQ(json["noRemove"], true);
  EXPECT_EQ(json["windowsInstaller"], false);
}

}  // namespace
}  // namespace nubo
