// A per-user NSIS installer and an MSI package, installed for real: scanned
// while registered, removed by their own uninstallers started through the
// service, and cleaned up afterwards with the token of the scan made before.
#include <windows.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "store/registry_key.h"
#include "maintenance/software/software_service.h"
#include "store/text_convert.h"
#include "tests/maintenance/software/safety_world.h"

namespace nubo {
namespace {

using testing::FixtureWorld;
using testing::QuarantineMover;
using testing::WorldPath;
using testing::WorldPiece;

constexpr wchar_t kUninstall[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr wchar_t kMsiCode[] = L"{3C7D1E2F-5A6B-4C8D-9E0F-1A2B3C4D5E60}";

bool KeyExists(HKEY hive, const std::wstring& key) {
  RegistryKey opened;
  return opened.OpenForReadInView(hive, (kUninstall + key).c_str(), KEY_WOW64_64KEY);
}

template <typename Condition>
bool WaitFor(Condition condition) {
  for (int i = 0; i < 400; ++i) {
    if (condition()) return true;
    Sleep(50);
  }
  return condition();
}

struct Product {
  const char* name;
  HKEY hive;
  std::wstring key;
  std::string displayName;
  std::wstring uninstallCommand;  // replaces the registered one when not empty
  std::vector<std::wstring> runtimeData;  // what the program made while in use
  std::vector<std::wstring> plan;         // expected, in plan order
  std::wstring removedByUninstaller;
};

TEST(SafetyProducts, ScanUninstallThenCleanupWithTheSameToken) {
  const std::wstring msi = kMsiCode;
  const std::vector<Product> products = {
      {"per-user NSIS", HKEY_CURRENT_USER, L"NuboSafetyNsis", "Nubo Safety Nsis", L"", {},
       {L"%Programs%\\Nubo Safety Nsis.lnk", L"%Roaming%\\Nubo Safety Nsis"},
       L"%Local%\\Programs\\Nubo Safety Nsis\\nubo-safety.exe"},
      {"MSI", HKEY_LOCAL_MACHINE, msi, "Nubo Safety Msi", L"MsiExec.exe /X" + msi + L" /qn",
       {L"%ProgramData%\\Nubo Safety Msi\\state.txt"}, {L"%ProgramData%\\Nubo Safety Msi"},
       L"%ProgramFiles%\\Nubo Safety Msi\\payload.txt"},
  };
  for (const Product& product : products) {
    SCOPED_TRACE(product.name);
    const std::string id = std::string(product.hive == HKEY_CURRENT_USER ? "HKCU" : "HKLM") + "|64|" +
                           Utf16ToUtf8(product.key);
    ASSERT_TRUE(KeyExists(product.hive, product.key));
    ASSERT_NE(GetFileAttributesW(WorldPath(product.removedByUninstaller).c_str()), INVALID_FILE_ATTRIBUTES);
    FixtureWorld world({}, {});
    for (const auto& data : product.runtimeData) world.Build({WorldPiece::kFile, data, L"", 0});
    for (const auto& path : product.plan) world.Adopt(path);
    if (!product.uninstallCommand.empty()) {
      RegistryKey key;
      ASSERT_EQ(RegOpenKeyExW(product.hive, (kUninstall + product.key).c_str(), 0, KEY_SET_VALUE | KEY_WOW64_64KEY,
                              key.out()),
                ERROR_SUCCESS);
      RegSetValueExW(key.get(), L"UninstallString", 0, REG_SZ,
                     reinterpret_cast<const BYTE*>(product.uninstallCommand.c_str()),
                     static_cast<DWORD>((product.uninstallCommand.size() + 1) * sizeof(wchar_t)));
    }
    QuarantineMover mover(world);
    SoftwareService service(mover.System());

    const SoftwareCleanupPlan plan = service.ScanResiduals(id, product.displayName, {});
    std::vector<std::string> paths;
    for (const ResidualItem& item : plan.residuals) paths.push_back(item.path);
    std::vector<std::string> expected;
    for (const auto& path : product.plan) expected.push_back(Utf16ToUtf8(WorldPath(path)));
    EXPECT_EQ(paths, expected);

    const SoftwareOperationResult launched = service.LaunchUninstaller(id, product.displayName, true);
    ASSERT_TRUE(launched.succeeded) << launched.message;
    EXPECT_TRUE(WaitFor([&] { return !KeyExists(product.hive, product.key); }));
    EXPECT_TRUE(WaitFor([&] {
      return GetFileAttributesW(WorldPath(product.removedByUninstaller).c_str()) == INVALID_FILE_ATTRIBUTES;
    }));

    const SoftwareOperationResult cleaned = service.CleanupResiduals(plan.token, product.displayName, paths, true);
    EXPECT_TRUE(cleaned.succeeded) << cleaned.message;
    EXPECT_EQ(cleaned.removedPaths, paths);
    EXPECT_TRUE(cleaned.failedPaths.empty());
    EXPECT_EQ(mover.moved.size(), paths.size());
    EXPECT_TRUE(mover.refused.empty());

    // Gone from the registry, the program can no longer be scanned: its
    // link to the removed program came only from the plan made before.
    EXPECT_THROW(service.ScanResiduals(id, product.displayName, {}), std::runtime_error);
  }
}

}  // namespace
}  // namespace nubo
