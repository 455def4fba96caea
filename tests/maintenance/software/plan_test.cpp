#include <gtest/gtest.h>

#include <windows.h>
#include <bcrypt.h>
#include <shlobj.h>

#include <algorithm>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "maintenance/software/cleanup_texts.h"
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

std::vector<std::string> Paths(const SoftwareCleanupPlan& plan) {
  std::vector<std::string> paths;
  for (const ResidualItem& item : plan.residuals) paths.push_back(item.path);
  return paths;
}

// A registered program that discovery finds four leftovers of, in this order:
// a desktop shortcut to its executable, its install folder, and a data folder
// under the local and under the roaming application data.
struct PlanWorld {
  testing::ComScope com;
  testing::TempDir temp;
  std::wstring install = temp.file(L"PlanProbe");
  std::wstring local = GetKnownFolderPath(FOLDERID_LocalAppData) + L"\\PlanProbe";
  std::wstring roaming = GetKnownFolderPath(FOLDERID_RoamingAppData) + L"\\PlanProbe";
  std::wstring link = GetKnownFolderPath(FOLDERID_Desktop) + L"\\PlanProbe.lnk";
  RegisteredSoftware program;
  uint64_t now = 5000000;
  uint64_t step = 0;  // added to the clock at every reading
  bool registered = true;
  std::function<void()> onRead = [] {};
  std::function<void()> onTick = [] {};
  SoftwareService service{SoftwareSystem{[this] {
                                           onTick();
                                           return now += step;
                                         },
                                         [this](const std::function<bool()>&) {
                                           onRead();
                                           if (!registered) return std::vector<RegisteredSoftware>{};
                                           return std::vector<RegisteredSoftware>{program};
                                         },
                                         {}, {}, {}}};

  PlanWorld() {
    for (const std::wstring& folder : {install, local, roaming}) Create(folder);
    program.id = "HKCU|64|PlanProbe";
    program.displayName = "PlanProbe";
    program.installLocation = Utf16ToUtf8(install);
    program.mainExecutablePath = install + L"\\PlanProbe.exe";
    testing::CreateShortcut(link, program.mainExecutablePath);
  }
  ~PlanWorld() {
    for (const std::wstring& folder : {local, roaming}) testing::RemoveTree(folder);
    DeleteFileW(link.c_str());
  }
  void Create(const std::wstring& folder) {
    CreateDirectoryW(folder.c_str(), nullptr);
    testing::WriteWholeFile(folder + (folder == install ? L"\\PlanProbe.exe" : L"\\data.txt"), "MZ");
  }
  // Under Wine a folder's creation time moves with its entries: a new
  // identity needs a new folder.
  void Replace(const std::wstring& folder) {
    MoveFileW(folder.c_str(), (folder + L".old").c_str());
    Create(folder);
    testing::RemoveTree(folder + L".old");
  }
  SoftwareCleanupPlan Scan(const std::function<bool()>& cancel = {}) {
    return service.ScanResiduals(program.id, program.displayName, cancel);
  }
  // The reveal answers in this order: a plan that is not valid, then a path outside it.
  std::string RevealOutsidePlan(const std::string& token) {
    return service.RevealResidual(token, "C:\\not-in-plan").message;
  }
  std::string RefreshFailure(const std::string& token) {
    return FailureText([&] { service.RefreshResiduals(token); });
  }
};

TEST(CleanupPlan, TokensAreThirtyTwoLowerHexDigitsUntilTheRandomSourceFails) {
  std::set<std::string> tokens;
  for (int i = 0; i < 64; ++i) tokens.insert(CreatePlanToken());
  std::string digits;
  for (const std::string& token : tokens) digits += token;
  EXPECT_EQ(tokens.size(), 64u);
  EXPECT_EQ(digits.size(), 64u * 32);
  EXPECT_EQ(std::set<char>(digits.begin(), digits.end()), std::set<char>({'0', '1', '2', '3', '4', '5', '6', '7', '8',
                                                                          '9', 'a', 'b', 'c', 'd', 'e', 'f'}));
  PlanWorld world;
  const SoftwareCleanupPlan plan = world.Scan();
  const testing::ImportPatch failing("bcrypt.dll", "BCryptGenRandom", reinterpret_cast<void*>(&FailingRandom));
  EXPECT_EQ(FailureText([] { CreatePlanToken(); }), kPlanTokenFailed);
  EXPECT_EQ(FailureText([&] { world.Scan(); }), kPlanTokenFailed);
  EXPECT_EQ(world.RefreshFailure(plan.token), kPlanInvalid);  // a failed scan leaves no plan
}

// The front end reads these members by name; the identity and the ticks stay here.
TEST(CleanupPlan, JsonCarriesThePublicFieldsOnly) {
  const ResidualItem item{"C:\\A\\b.lnk", "C:\\A\\b.exe", "桌面", "shortcut", "证据", "high", 5, 2, true, true, false,
                          L"1:2:3"};
  EXPECT_EQ(SoftwareCleanupPlanToJson({"ab", "HKCU|64|A", "名", {item}, true, {"w"}, 77, 3}).dump(),
            R"({"displayName":"名","residuals":[{"confidence":"high","defaultSelected":true,"evidence":"证据",)"
            R"("itemCount":2,"kind":"shortcut","label":"桌面","path":"C:\\A\\b.lnk","personalData":false,)"
            R"("sizeBytes":5,"sizeTruncated":true,"targetPath":"C:\\A\\b.exe"}],"scanTruncated":true,)"
            R"("scanWarnings":["w"],"softwareId":"HKCU|64|A","token":"ab"})");
  EXPECT_EQ(SoftwareOperationResultToJson({true, "m", {"a"}, {"b", "c"}}).dump(),
            R"({"failedPaths":["b","c"],"message":"m","removedPaths":["a"],"succeeded":true})");
}

TEST(ResidualChecks, AnItemVerifiesByItsIdentityAndAShortcutByItsTarget) {
  testing::ComScope com;
  testing::TempDir temp;
  const std::wstring a = temp.file(L"a.exe"), b = temp.file(L"b.exe"), link = temp.file(L"a.lnk");
  for (const std::wstring& file : {a, b}) testing::WriteWholeFile(file, "MZ");
  testing::CreateShortcut(link, a);
  const std::wstring linkId = GetFileIdentity(link), folderId = GetFileIdentity(temp.path());
  const auto verify = [](const std::wstring& path, const char* kind, const std::wstring& target,
                         const std::wstring& identity) {
    return VerifyResidualItem({Utf16ToUtf8(path), Utf16ToUtf8(target), "", kind, "", "", 0, 0, false, false, false,
                               identity});
  };
  EXPECT_TRUE(verify(link, "shortcut", a, linkId));
  EXPECT_FALSE(verify(link, "shortcut", b, linkId));  // retargeted since the scan
  EXPECT_FALSE(verify(link, "shortcut", L"", linkId));
  EXPECT_TRUE(verify(temp.path(), "program", b, folderId));
  EXPECT_FALSE(verify(temp.path(), "program", L"", L""));
  EXPECT_FALSE(verify(temp.path(), "program", L"", linkId));

  const std::wstring gone = temp.file(L"gone");
  EXPECT_TRUE(IsResidualGone(gone));
  EXPECT_FALSE(IsResidualGone(gone + L"\\below"));  // its parent is missing too
  EXPECT_FALSE(IsResidualGone(L"C:\\no-such-plan-entry"));  // a drive root is no safe parent
  EXPECT_FALSE(IsResidualGone(a));
}

TEST(SoftwareService, APlanLastsFifteenMinutesAndARefreshRenewsOnlyAnExpiredOne) {
  PlanWorld world;
  for (const uint64_t age : {600000u, 900000u, 900001u, 1200000u}) {
    const SoftwareCleanupPlan plan = world.Scan();
    ASSERT_EQ(plan.residuals.size(), 4u);
    ASSERT_TRUE(plan.residuals.front().defaultSelected);
    world.now += age;
    const bool renewed = age > 900000;
    EXPECT_EQ(world.RevealOutsidePlan(plan.token), renewed ? kRevealPlanInvalid : kRevealNotInPlan) << age;
    const SoftwareCleanupPlan refreshed = world.service.RefreshResiduals(plan.token);
    EXPECT_EQ(world.RevealOutsidePlan(plan.token), kRevealNotInPlan) << age;
    EXPECT_EQ(refreshed.token, plan.token);
    EXPECT_EQ(Paths(refreshed), Paths(plan));
    EXPECT_EQ(refreshed.createdTick, renewed ? world.now : plan.createdTick) << age;
    EXPECT_EQ(refreshed.residuals.front().defaultSelected, !renewed) << age;
    EXPECT_EQ(refreshed.scanWarnings.size(), plan.scanWarnings.size() + (renewed ? 1 : 0)) << age;
    EXPECT_EQ(!refreshed.scanWarnings.empty() && refreshed.scanWarnings.back() == kWarnPlanRenewed, renewed) << age;
  }
}

TEST(SoftwareService, ARefreshKeepsOutWhatACleanupMovedMeanwhile) {
  PlanWorld world;
  const SoftwareCleanupPlan plan = world.Scan();
  ASSERT_EQ(plan.residuals.size(), 4u);
  int ticks = 0;
  SoftwareOperationResult cleaned;
  world.onTick = [&] {
    if (++ticks != 4) return;  // the refresh has verified the shortcut
    world.registered = false;
    DeleteFileW(world.link.c_str());
    cleaned = world.service.CleanupResiduals(plan.token, "PlanProbe", {plan.residuals[0].path}, true);
  };
  const SoftwareCleanupPlan refreshed = world.service.RefreshResiduals(plan.token);
  EXPECT_EQ(cleaned.removedPaths, std::vector<std::string>{plan.residuals[0].path});
  std::vector<std::string> rest = Paths(plan);
  rest.erase(rest.begin());
  EXPECT_EQ(Paths(refreshed), rest);
}

TEST(SoftwareService, ARefreshDropsVanishedItemsSilentlyAndChangedOnesWithOneWarning) {
  PlanWorld world;
  const SoftwareCleanupPlan plan = world.Scan();
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

TEST(SoftwareService, CancelStopsAScanOrRefreshAndAStalePlanWaitsForARefresh) {
  PlanWorld world;
  const SoftwareCleanupPlan plan = world.Scan();
  world.service.CancelScan();
  EXPECT_EQ(world.RevealOutsidePlan(plan.token), kRevealPlanInvalid);
  const SoftwareCleanupPlan rebound = world.service.RefreshResiduals(plan.token);
  EXPECT_EQ(world.RevealOutsidePlan(plan.token), kRevealNotInPlan);
  EXPECT_EQ(Paths(rebound), Paths(plan));
  std::string upper = plan.token;
  std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
  EXPECT_EQ(world.RefreshFailure(upper), kPlanInvalid);
  EXPECT_EQ(world.RevealOutsidePlan(upper), kRevealPlanInvalid);

  bool cancelNext = true;
  world.onTick = [&] {
    if (std::exchange(cancelNext, false)) world.service.CancelScan();
  };
  EXPECT_EQ(world.RefreshFailure(plan.token), kPlanRefreshCancelled);
  EXPECT_EQ(Paths(world.service.RefreshResiduals(plan.token)), Paths(plan));  // left as it was

  world.onRead = [&] { world.service.CancelScan(); };
  EXPECT_EQ(FailureText([&] { world.Scan(); }), kPlanScanCancelled);
  EXPECT_EQ(world.RefreshFailure(plan.token), kPlanInvalid);
  world.onRead = [] {};
  EXPECT_EQ(FailureText([&] { world.Scan([] { return true; }); }), kPlanScanCancelled);
  world.program.systemComponent = true;
  EXPECT_EQ(FailureText([&] { world.Scan(); }), kPlanSoftwareChanged);
}

TEST(SoftwareService, ADeadlineTruncatesAScanButFailsARefresh) {
  PlanWorld world;
  world.step = kScanTimeLimitMs;
  const SoftwareCleanupPlan plan = world.Scan();
  EXPECT_TRUE(plan.scanTruncated);
  EXPECT_EQ(std::count(plan.scanWarnings.begin(), plan.scanWarnings.end(), kWarnScanTimeLimit), 1);
  EXPECT_EQ(world.RefreshFailure(plan.token), kPlanRefreshTimedOut);
}

}  // namespace
}  // namespace nubo
