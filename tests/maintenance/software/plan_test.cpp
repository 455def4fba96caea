#include <gtest/gtest.h>

#include <windows.h>
#include <bcrypt.h>
#include <shlobj.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "maintenance/software/file_identity.h"
#include "maintenance/software/path_rules.h"
#include "maintenance/software/plan_texts.h"
#include "maintenance/software/software_service.h"
#include "maintenance/software/software_texts.h"
#include "store/text_convert.h"
#include "tests/characters/shortcut_files.h"
#include "tests/support/failure_text.h"
#include "tests/support/import_patch.h"
#include "tests/support/temp_dir.h"

namespace nubo {
namespace {

using testing::FailureText;

NTSTATUS WINAPI FailingRandom(BCRYPT_ALG_HANDLE, PUCHAR, ULONG, ULONG) { return static_cast<NTSTATUS>(0xC0000001); }

std::string U8(const std::wstring& text) { return Utf16ToUtf8(text); }

// A registered program with an install folder, a desktop shortcut to its
// executable and a data folder under the local and the roaming application data.
struct PlanWorld {
  testing::ComScope com;
  testing::TempDir temp;
  std::wstring install = temp.file(L"PlanProbe");
  std::wstring exe = install + L"\\PlanProbe.exe";
  std::wstring local = GetKnownFolderPath(FOLDERID_LocalAppData) + L"\\PlanProbe";
  std::wstring roaming = GetKnownFolderPath(FOLDERID_RoamingAppData) + L"\\PlanProbe";
  std::wstring link = GetKnownFolderPath(FOLDERID_Desktop) + L"\\PlanProbe.lnk";
  std::vector<RegisteredSoftware> installed;
  uint64_t now = 5000000;
  uint64_t step = 0;  // added to the clock at every reading
  std::function<void()> onRead = [] {};
  SoftwareService service{SoftwareSystem{
      [this] { return now += step; },
      [this](const std::function<bool()>&) {
        onRead();
        return installed;
      },
      {}, {}, {}}};

  PlanWorld() {
    for (const std::wstring& folder : {install, local, roaming}) Create(folder);
    testing::CreateShortcut(link, exe);
    RegisteredSoftware program;
    program.id = "HKCU|64|PlanProbe";
    program.displayName = "PlanProbe";
    program.installLocation = U8(install);
    program.mainExecutablePath = exe;
    installed.push_back(program);
  }
  ~PlanWorld() {
    for (const std::wstring& folder : {local, roaming}) testing::RemoveTree(folder);
    DeleteFileW(link.c_str());
  }
  void Create(const std::wstring& folder) {
    CreateDirectoryW(folder.c_str(), nullptr);
    testing::WriteWholeFile(folder == install ? exe : folder + L"\\data.txt", "MZ");
  }
  // Under Wine a folder's creation time moves with its entries, so a new
  // identity comes from a new folder.
  void Replace(const std::wstring& folder) {
    MoveFileW(folder.c_str(), (folder + L".old").c_str());
    Create(folder);
    testing::RemoveTree(folder + L".old");
  }
  SoftwareCleanupPlan Scan() { return service.ScanResiduals(installed[0].id, installed[0].displayName, {}); }
};

std::vector<std::string> Paths(const SoftwareCleanupPlan& plan) {
  std::vector<std::string> paths;
  for (const ResidualItem& item : plan.residuals) paths.push_back(item.path);
  return paths;
}

TEST(CleanupPlan, TokensAreThirtyTwoLowerHexDigitsUntilTheRandomSourceFails) {
  std::set<std::string> tokens;
  std::string digits;
  for (int i = 0; i < 64; ++i) tokens.insert(CreatePlanToken());
  for (const std::string& token : tokens) {
    EXPECT_EQ(token.size(), 32u);
    EXPECT_EQ(token.find_first_not_of("0123456789abcdef"), std::string::npos) << token;
    digits += token;
  }
  EXPECT_EQ(tokens.size(), 64u);
  EXPECT_EQ(std::set<char>(digits.begin(), digits.end()).size(), 16u);

  PlanWorld world;
  const SoftwareCleanupPlan plan = world.Scan();
  const testing::ImportPatch failing("bcrypt.dll", "BCryptGenRandom", reinterpret_cast<void*>(&FailingRandom));
  EXPECT_EQ(FailureText([] { CreatePlanToken(); }), kPlanTokenFailed);
  EXPECT_EQ(FailureText([&] { world.Scan(); }), kPlanTokenFailed);
  EXPECT_EQ(FailureText([&] { world.service.RefreshResiduals(plan.token); }), kPlanInvalid);
}

TEST(CleanupPlan, JsonCarriesThePublicFieldsOnly) {
  ResidualItem item{"C:\\A\\b.lnk", "C:\\A\\b.exe", "桌面", "shortcut", "证据", "high", 5, 2, true, true, false,
                    L"1:2:3"};
  SoftwareCleanupPlan plan{"ab", "HKCU|64|A", "名", {item}, true, {"w"}, 77, 3};
  EXPECT_EQ(SoftwareCleanupPlanToJson(plan).dump(),
            R"({"displayName":"名","residuals":[{"confidence":"high","defaultSelected":true,"evidence":"证据",)"
            R"("itemCount":2,"kind":"shortcut","label":"桌面","path":"C:\\A\\b.lnk","personalData":false,)"
            R"("sizeBytes":5,"sizeTruncated":true,"targetPath":"C:\\A\\b.exe"}],"scanTruncated":true,)"
            R"("scanWarnings":["w"],"softwareId":"HKCU|64|A","token":"ab"})");
  EXPECT_EQ(SoftwareOperationResultToJson({true, "m", {"a"}, {"b", "c"}}).dump(),
            R"({"failedPaths":["b","c"],"message":"m","removedPaths":["a"],"succeeded":true})");
}

TEST(ResidualChecks, VerifyFollowsTheIdentityAndTheShortcutTarget) {
  testing::ComScope com;
  testing::TempDir temp;
  const std::wstring a = temp.file(L"a.exe"), b = temp.file(L"b.exe"), link = temp.file(L"a.lnk");
  testing::WriteWholeFile(a, "MZ");
  testing::WriteWholeFile(b, "MZ");
  testing::CreateShortcut(link, a);
  const ResidualItem shortcut{U8(link), U8(a), "", "shortcut", "", "", 0, 0, false, true, false, GetFileIdentity(link)};
  ResidualItem folder = shortcut;
  folder.path = U8(temp.path());
  folder.kind = "program";
  folder.identity = GetFileIdentity(temp.path());
  struct Case {
    const char* name;
    ResidualItem item;
    bool verified;
  };
  std::vector<Case> cases{{"shortcut", shortcut, true}, {"folder", folder, true}};
  cases.push_back({"retargeted", shortcut, false});
  cases.back().item.targetPath = U8(b);
  cases.push_back({"no target", shortcut, false});
  cases.back().item.targetPath.clear();
  cases.push_back({"no identity", folder, false});
  cases.back().item.identity.clear();
  cases.push_back({"other identity", folder, false});
  cases.back().item.identity = shortcut.identity;
  for (const Case& test : cases) EXPECT_EQ(VerifyResidualItem(test.item), test.verified) << test.name;

  const std::wstring missing = temp.file(L"gone");
  for (const auto& [path, gone] : std::vector<std::pair<std::wstring, bool>>{
           {missing, true}, {missing + L"\\below", false}, {a, false}, {temp.path(), false},
           {L"C:\\no-such-plan-entry", false}, {missing + std::wstring(1, L'\0') + L"x", false},
           {L"\\\\127.0.0.1\\share\\gone", false}}) {
    EXPECT_EQ(IsResidualGone(path), gone) << U8(path);
  }
}

TEST(SoftwareService, AScanFindsOnlyARegisteredProgramThatIsNoSystemComponent) {
  PlanWorld world;
  const auto scan = [&](const char* id, const char* name) { return world.service.ScanResiduals(id, name, {}); };
  EXPECT_EQ(FailureText([&] { scan("HKCU|64|PlanProbe", "planprobe"); }), kPlanSoftwareChanged);
  EXPECT_EQ(FailureText([&] { scan("HKCU|32|PlanProbe", "PlanProbe"); }), kPlanSoftwareChanged);
  world.installed[0].systemComponent = true;
  EXPECT_EQ(FailureText([&] { world.Scan(); }), kPlanSoftwareChanged);
}

TEST(SoftwareService, ARefreshRenewsOnlyAnExpiredPlanAndWithdrawsItsSelections) {
  PlanWorld world;
  if (world.Scan().residuals.empty()) GTEST_SKIP() << "no leftover discovery in this build";
  for (const uint64_t age : {600000u, 900000u, 900001u, 1200000u}) {
    const SoftwareCleanupPlan plan = world.Scan();
    ASSERT_EQ(plan.residuals.size(), 4u);
    ASSERT_TRUE(plan.residuals.front().defaultSelected);
    world.now += age;
    const SoftwareCleanupPlan refreshed = world.service.RefreshResiduals(plan.token);
    const bool renewed = age > 900000;
    EXPECT_EQ(refreshed.token, plan.token);
    EXPECT_EQ(Paths(refreshed), Paths(plan));
    EXPECT_EQ(refreshed.createdTick, renewed ? world.now : plan.createdTick) << age;
    EXPECT_EQ(refreshed.residuals.front().defaultSelected, !renewed) << age;
    EXPECT_EQ(refreshed.scanWarnings.size(), plan.scanWarnings.size() + (renewed ? 1 : 0)) << age;
    EXPECT_EQ(!refreshed.scanWarnings.empty() && refreshed.scanWarnings.back() == kWarnPlanRenewed, renewed) << age;
  }
}

TEST(SoftwareService, ARefreshDropsVanishedItemsSilentlyAndChangedOnesWithOneWarning) {
  PlanWorld world;
  const SoftwareCleanupPlan plan = world.Scan();
  if (plan.residuals.empty()) GTEST_SKIP() << "no leftover discovery in this build";
  ASSERT_EQ(plan.residuals.size(), 4u);
  world.Replace(world.local);
  world.Replace(world.roaming);
  const SoftwareCleanupPlan changed = world.service.RefreshResiduals(plan.token);
  EXPECT_EQ(Paths(changed), (std::vector<std::string>{plan.residuals[0].path, plan.residuals[1].path}));
  EXPECT_TRUE(changed.scanTruncated);
  EXPECT_EQ(std::count(changed.scanWarnings.begin(), changed.scanWarnings.end(), kWarnIdentityChanged), 1);

  const SoftwareCleanupPlan fresh = world.Scan();
  ASSERT_EQ(fresh.residuals.size(), 4u);
  for (const ResidualItem& item : fresh.residuals) testing::RemoveTree(Utf8ToUtf16(item.path));
  DeleteFileW(world.link.c_str());
  const SoftwareCleanupPlan vanished = world.service.RefreshResiduals(fresh.token);
  EXPECT_TRUE(vanished.residuals.empty());
  EXPECT_EQ(vanished.scanWarnings, fresh.scanWarnings);
  EXPECT_EQ(vanished.scanTruncated, fresh.scanTruncated);
}

TEST(SoftwareService, CancelStopsAScanAndMakesThePlanStaleUntilARefresh) {
  PlanWorld world;
  const SoftwareCleanupPlan plan = world.Scan();
  world.service.CancelScan();
  const SoftwareCleanupPlan rebound = world.service.RefreshResiduals(plan.token);
  EXPECT_EQ(rebound.generation, plan.generation + 1);
  EXPECT_EQ(Paths(rebound), Paths(plan));

  std::string upper = plan.token;
  std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
  for (const std::string& token : {std::string(), upper}) {
    EXPECT_EQ(FailureText([&] { world.service.RefreshResiduals(token); }), kPlanInvalid);
  }
  world.onRead = [&] { world.service.CancelScan(); };
  EXPECT_EQ(FailureText([&] { world.Scan(); }), kPlanScanCancelled);
  world.onRead = [] {};
  EXPECT_EQ(FailureText([&] { world.service.RefreshResiduals(plan.token); }), kPlanInvalid);
  const auto cancelled = [] { return true; };
  EXPECT_EQ(FailureText([&] { world.service.ScanResiduals("HKCU|64|PlanProbe", "PlanProbe", cancelled); }),
            kPlanScanCancelled);
}

TEST(SoftwareService, ADeadlineTruncatesAScanButFailsARefresh) {
  PlanWorld world;
  world.step = 5000;
  const SoftwareCleanupPlan truncated = world.Scan();
  EXPECT_TRUE(truncated.scanTruncated);
  EXPECT_NE(std::find(truncated.scanWarnings.begin(), truncated.scanWarnings.end(), kWarnScanTimeLimit),
            truncated.scanWarnings.end());
  world.step = 0;
  EXPECT_EQ(world.service.RefreshResiduals(truncated.token).token, truncated.token);

  const SoftwareCleanupPlan plan = world.Scan();
  world.step = 5000;
  EXPECT_EQ(FailureText([&] { world.service.RefreshResiduals(plan.token); }), kPlanRefreshTimedOut);
  world.step = 0;
  EXPECT_EQ(Paths(world.service.RefreshResiduals(plan.token)), Paths(plan));
}

}  // namespace
}  // namespace nubo
