#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "maintenance/software/software_inventory.h"
#include "tests/support/temp_dir.h"

namespace nubo {
namespace {

constexpr const char* kMsiCode = "{5E1F3C2A-7B4D-4E8F-9A01-2B3C4D5E6F70}";

const RegisteredSoftware* Find(const std::vector<RegisteredSoftware>& list, const std::string& id) {
  for (const auto& program : list) {
    if (program.id == id) return &program;
  }
  return nullptr;
}

TEST(InstalledProducts, NsisAndMsiEntriesAreReadAsTheInstallersWroteThem) {
  const auto programs = ReadInstalledSoftware({});
  const RegisteredSoftware* nsis = Find(programs, "HKLM|64|NuboInstalledNsis");
  ASSERT_NE(nsis, nullptr);
  EXPECT_EQ(nsis->displayName, "Nubo Installed Nsis 1.0");
  EXPECT_EQ(nsis->publisher, "Nubo Probe Works");
  EXPECT_EQ(nsis->mainExecutablePath, L"C:\\Program Files\\Nubo Installed Nsis\\uninstall.exe");
  EXPECT_EQ(nsis->installLocation, "C:\\Program Files\\Nubo Installed Nsis");
  EXPECT_TRUE(nsis->installLocationInferred);
  EXPECT_EQ(nsis->estimatedSizeBytes, 12u * 1024u);
  EXPECT_EQ(Find(programs, "HKLM|32|NuboInstalledNsis"), nullptr);

  const RegisteredSoftware* msi = Find(programs, std::string("HKLM|64|") + kMsiCode);
  ASSERT_NE(msi, nullptr);
  EXPECT_EQ(msi->displayName, "Nubo Installed Msi");
  EXPECT_TRUE(msi->windowsInstaller);
  EXPECT_EQ(msi->uninstallCommand, L"MsiExec.exe /I" + std::wstring(kMsiCode, kMsiCode + 38));
  EXPECT_EQ(msi->installLocation, "");
  EXPECT_FALSE(msi->installLocationInferred);
  EXPECT_EQ(Find(programs, std::string("HKLM|32|") + kMsiCode), nullptr);
}

// Wine's uninstaller reads the same keys on its own and lists each subkey
// once ("subkey|||DisplayName"); the two views of the per-user key are one.
TEST(InstalledProducts, NamesMatchWinesOwnUninstallerList) {
  std::set<std::string> theirs;
  std::istringstream lines(testing::ReadWholeFile(L"C:\\swinst\\uninstaller-list.txt"));
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty()) theirs.insert(line);
  }
  std::set<std::string> ours;
  for (const auto& program : ReadInstalledSoftware({})) {
    if (program.systemComponent) continue;
    ours.insert(program.id.substr(program.id.find('|', 5) + 1) + "|||" + program.displayName);
  }
  EXPECT_EQ(ours, theirs);
  EXPECT_GE(theirs.size(), 2u);
}

}  // namespace
}  // namespace nubo
