#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "maintenance/software/cleanup_texts.h"
#include "maintenance/software/file_identity.h"
#include "maintenance/software/folder_reveal.h"
#include "maintenance/software/path_rules.h"
#include "maintenance/software/pinned_handle_set.h"
#include "maintenance/software/recycle_bin_move.h"
#include "maintenance/software/software_service.h"
#include "maintenance/software/tree_verify.h"
#include "store/text_convert.h"
#include "store/win_handles.h"
#include "tests/maintenance/software/software_fixture.h"
#include "tests/support/temp_dir.h"

namespace nubo {

struct SoftwareServiceTestAccess {
  static void Lock(SoftwareService& service, SoftwareCleanupPlan plan) {
    plan.generation = service.generation_;
    service.plan_ = std::move(plan);
  }
  static const SoftwareCleanupPlan& Plan(SoftwareService& service) { return service.plan_; }
};

namespace {

using testing::FixturePath;
using testing::WriteWholeFile;

constexpr char kToken[] = "00112233445566778899aabbccddeeff";
constexpr char kId[] = "HKCU|64|Cleanup Tool";
constexpr char kName[] = "Cleanup Tool";
constexpr uint64_t kScanTick = 5000;

std::vector<std::string> Paths(const std::vector<std::wstring>& paths) {
  std::vector<std::string> texts;
  for (const std::wstring& path : paths) texts.push_back(Utf16ToUtf8(path));
  return texts;
}

// A world of leftovers under C:\swfix\cleanup, a plan over them, and a mover
// that moves only into the world's quarantine.
class Cleanup : public ::testing::Test {
 protected:
  Cleanup() {
    testing::RemoveTree(root_);
    CreateDirectoryW(root_.c_str(), nullptr);
    CreateDirectoryW(quarantine_.c_str(), nullptr);
    service_ = std::make_unique<SoftwareService>(Fake());
  }
  SoftwareSystem Fake() {
    SoftwareSystem system;
    system.tick = [this] { return now_; };
    system.readInstalled = [this](const std::function<bool()>&) { return installed_; };
    system.moveToRecycleBin = [this](const std::wstring& path) { return Move(path); };
    system.revealInExplorer = [this](const std::wstring& path) {
      revealed_.push_back(path);
      return revealAnswer_;
    };
    return system;
  }
  ~Cleanup() override {
    EXPECT_TRUE(foreign_.empty()) << "the mover was asked for a path outside the world";
    testing::RemoveTree(root_);
  }

  // A folder holding one file, or a file, in the world.
  std::wstring Make(const std::wstring& name, bool folder = true) {
    const std::wstring path = root_ + L"\\" + name;
    if (!folder) {
      WriteWholeFile(path, "data");
      return path;
    }
    CreateDirectoryW(path.c_str(), nullptr);
    WriteWholeFile(path + L"\\file.txt", "data");
    return path;
  }
  void LockPlan(const std::vector<std::wstring>& paths) {
    SoftwareCleanupPlan plan;
    plan.token = kToken;
    plan.softwareId = kId;
    plan.displayName = kName;
    plan.createdTick = kScanTick;
    for (const std::wstring& path : paths) {
      ResidualItem item;
      item.path = Utf16ToUtf8(path);
      item.kind = "program";
      item.identity = GetFileIdentity(path);
      plan.residuals.push_back(item);
    }
    SoftwareServiceTestAccess::Lock(*service_, plan);
  }
  SoftwareOperationResult Clean(const std::vector<std::wstring>& paths) {
    return service_->CleanupResiduals(kToken, kName, Paths(paths), true);
  }
  size_t PlanSize() { return SoftwareServiceTestAccess::Plan(*service_).residuals.size(); }

  bool Move(const std::wstring& path) {
    if (beforeMove_) beforeMove_(path);
    if (!IsPathUnder(path, root_) || IsPathUnder(path, quarantine_)) {
      foreign_.push_back(path);
      return false;
    }
    moved_.push_back(path);
    const std::wstring target = quarantine_ + L"\\" + std::to_wstring(moved_.size());
    return MoveFileW(path.c_str(), target.c_str()) && GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES;
  }

  const std::wstring root_ = FixturePath(L"cleanup");
  const std::wstring quarantine_ = root_ + L"\\quarantine";
  uint64_t now_ = kScanTick;
  std::vector<RegisteredSoftware> installed_;
  std::function<void(const std::wstring&)> beforeMove_;
  std::vector<std::wstring> moved_, foreign_, revealed_;
  bool revealAnswer_ = true;
  std::unique_ptr<SoftwareService> service_;
};

TEST_F(Cleanup, RefusesInOrderAndTouchesNothing) {
  const std::wstring a = Make(L"a"), b = Make(L"b");
  RegisteredSoftware stillThere;
  stillThere.id = kId;
  stillThere.displayName = "Renamed Tool";
  const std::string pathA = Utf16ToUtf8(a);
  struct Case {
    std::string token, typedName;
    std::vector<std::string> selected;
    bool confirmed;
    uint64_t age;
    bool cancelled, registered;
    std::string_view message;
  };
  const std::vector<Case> cases = {
      {kToken, kName, {pathA}, false, 0, false, false, kCleanupNotAuthorised},
      {"00112233445566778899aabbccddeefF", kName, {pathA}, true, 0, false, false, kCleanupNotAuthorised},
      {kToken, kName, {pathA}, true, 900001, false, false, kCleanupNotAuthorised},
      {kToken, kName, {pathA}, true, 0, true, false, kCleanupNotAuthorised},
      {kToken, "cleanup tool", {}, true, 0, false, false, kCleanupNotAuthorised},
      {kToken, kName, {}, true, 0, false, true, kCleanupNothingSelected},
      {kToken, kName, {pathA, pathA, pathA}, true, 0, false, false, kCleanupNothingSelected},
      {kToken, kName, {pathA, pathA + "\\"}, true, 0, false, true, kCleanupNotInPlan},
      {kToken, kName, {"c" + pathA.substr(1)}, true, 0, false, false, kCleanupNotInPlan},
      {kToken, kName, {Utf16ToUtf8(root_ + L"\\b\\..\\a")}, true, 0, false, false, kCleanupNotInPlan},
      {kToken, kName, {pathA, pathA}, true, 900000, false, true, kCleanupStillRegistered},
  };
  for (const Case& c : cases) {
    LockPlan({a, b});
    if (c.cancelled) service_->CancelScan();
    now_ = kScanTick + c.age;
    installed_ = c.registered ? std::vector<RegisteredSoftware>{stillThere} : std::vector<RegisteredSoftware>{};
    const SoftwareOperationResult result =
        service_->CleanupResiduals(c.token, c.typedName, c.selected, c.confirmed);
    EXPECT_EQ(result.message, c.message) << c.token << " " << c.typedName << " " << c.age;
    EXPECT_FALSE(result.succeeded);
    EXPECT_TRUE(result.removedPaths.empty() && result.failedPaths.empty());
    EXPECT_EQ(PlanSize(), 2u);
  }
  EXPECT_TRUE(moved_.empty());
}

TEST_F(Cleanup, AScannedProgramIsCleanedOnlyAfterItsUninstall) {
  const std::wstring install = Make(L"Cleanup Tool");
  RegisteredSoftware program;
  program.id = kId;
  program.displayName = kName;
  program.installLocation = Utf16ToUtf8(install);
  installed_ = {program};
  const SoftwareCleanupPlan plan = service_->ScanResiduals(kId, kName, {});
  ASSERT_EQ(plan.residuals.size(), 1u);
  const std::vector<std::string> all = Paths({install});
  EXPECT_EQ(plan.residuals[0].path, all[0]);
  EXPECT_EQ(service_->CleanupResiduals(plan.token, kName, all, true).message, kCleanupStillRegistered);
  installed_.clear();
  EXPECT_EQ(service_->CleanupResiduals(plan.token, kName, all, true).message, kCleanupAllMoved);
  EXPECT_EQ(moved_, std::vector<std::wstring>{install});
}

TEST_F(Cleanup, MovesEachPathOnceAndKeepsTheRestOfThePlanUsable) {
  const std::wstring moved = Make(L"moved"), gone = Make(L"gone"), changed = Make(L"changed"), later = Make(L"later");
  const std::wstring protectedFile = L"C:\\windows\\win.ini";
  ASSERT_FALSE(GetFileIdentity(protectedFile).empty());
  LockPlan({moved, gone, changed, later, protectedFile});
  testing::RemoveTree(gone);
  // A replaced folder: the first one moves aside so that its index is not reused.
  ASSERT_TRUE(MoveFileW(changed.c_str(), (root_ + L"\\aside").c_str()));
  Make(L"changed");

  const SoftwareOperationResult first = Clean({moved, gone, changed, moved, protectedFile});
  EXPECT_EQ(first.message, kCleanupSomeMoved);
  EXPECT_FALSE(first.succeeded);
  EXPECT_EQ(first.removedPaths, Paths({moved, gone}));
  EXPECT_EQ(first.failedPaths, Paths({changed, protectedFile}));
  EXPECT_EQ(moved_, std::vector<std::wstring>{moved});
  EXPECT_EQ(PlanSize(), 3u);

  const SoftwareOperationResult second = Clean({later});
  EXPECT_EQ(second.message, kCleanupAllMoved);
  EXPECT_TRUE(second.succeeded);
  EXPECT_EQ(second.removedPaths, Paths({later}));
  const SoftwareOperationResult third = Clean({changed});
  EXPECT_EQ(third.message, kCleanupNoneMoved);
  EXPECT_EQ(third.failedPaths, Paths({changed}));
  EXPECT_EQ(Clean({moved}).message, kCleanupNotInPlan);
  EXPECT_EQ(moved_.size(), 2u);
}

TEST_F(Cleanup, FoldersAboveTheItemCannotBeRenamedWhileItMoves) {
  const std::wstring parent = Make(L"parent"), item = Make(L"parent\\item");
  const std::wstring swapped = root_ + L"\\swapped";
  LockPlan({item});
  DWORD renameError = 0;
  beforeMove_ = [&](const std::wstring&) {
    renameError = MoveFileW(parent.c_str(), swapped.c_str()) ? ERROR_SUCCESS : GetLastError();
  };
  EXPECT_EQ(Clean({item}).message, kCleanupAllMoved);
  EXPECT_EQ(renameError, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  EXPECT_TRUE(MoveFileW(parent.c_str(), swapped.c_str())) << "the pins outlived the cleanup";
}

TEST_F(Cleanup, RefusesATreeWithALinkOrAnotherProgramOrBeyondTheWalk) {
  const std::wstring plain = Make(L"plain"), upgraded = Make(L"upgraded");
  Make(L"upgraded\\other");
  // Wine makes no link through CreateSymbolicLinkW and moves a link's target
  // instead of the link: the tree script's folder with a Unix link inside.
  const std::wstring linked = FixturePath(L"linkedroot"), deep = FixturePath(L"deep65"), big = FixturePath(L"big");
  LockPlan({plain, linked, upgraded, deep, big});
  // Installed into the folder after the scan.
  RegisteredSoftware other;
  other.id = "HKLM|64|Other Tool";
  other.displayName = "Other Tool";
  other.installLocation = Utf16ToUtf8(upgraded + L"\\other");
  installed_ = {other};

  // The walk over the big tree uses up the budget, so it comes last.
  const SoftwareOperationResult result = Clean({plain, linked, upgraded, deep, big});
  EXPECT_EQ(result.removedPaths, Paths({plain}));
  EXPECT_EQ(result.failedPaths, Paths({linked, upgraded, deep, big}));
  EXPECT_EQ(moved_, std::vector<std::wstring>{plain});
}

TEST_F(Cleanup, OneFileOperationAtATime) {
  const std::wstring a = Make(L"a"), b = Make(L"b");
  LockPlan({a, b});
  SoftwareOperationResult nestedCleanup, nestedReveal;
  bool runningInside = false;
  beforeMove_ = [&](const std::wstring&) {
    runningInside = service_->FileOperationRunning();
    nestedCleanup = Clean({b});
    nestedReveal = service_->RevealResidual(kToken, Utf16ToUtf8(b));
  };
  EXPECT_EQ(Clean({a}).message, kCleanupAllMoved);
  EXPECT_TRUE(runningInside);
  EXPECT_EQ(nestedCleanup.message, kFileOperationBusy);
  EXPECT_EQ(nestedReveal.message, kFileOperationBusy);
  EXPECT_FALSE(service_->FileOperationRunning());
  beforeMove_ = {};
  EXPECT_EQ(Clean({b}).message, kCleanupAllMoved);
}

TEST_F(Cleanup, TheShellMoveAnswersNotImplementedUnderWineAndTheFileStays) {
  const std::wstring file = Make(L"kept.txt", false);
  SoftwareSystem machine = Fake();
  machine.moveToRecycleBin = [](const std::wstring& path) { return MoveToRecycleBin(path); };
  service_ = std::make_unique<SoftwareService>(std::move(machine));
  LockPlan({file});
  const SoftwareOperationResult result = Clean({file});
  EXPECT_EQ(result.message, kCleanupNoneMoved);
  EXPECT_EQ(result.failedPaths, Paths({file}));
  EXPECT_EQ(testing::ReadWholeFile(file), "data");
}

TEST_F(Cleanup, RevealOpensOnlyAPlanPathThatIsStillItself) {
  const std::wstring a = Make(L"a"), b = Make(L"b");
  LockPlan({a, b});
  ASSERT_TRUE(MoveFileW(b.c_str(), (root_ + L"\\aside").c_str()));
  Make(L"b");
  const std::string pathA = Utf16ToUtf8(a);
  struct Case {
    std::string token, path;
    uint64_t age;
    bool answer;
    std::string_view message;
  };
  const std::vector<Case> cases = {
      {"00112233445566778899aabbccddeefe", pathA, 0, true, kRevealPlanInvalid},
      {kToken, pathA, 900001, true, kRevealPlanInvalid},
      {kToken, pathA + "\\", 0, true, kRevealNotInPlan},
      {kToken, Utf16ToUtf8(b), 0, true, kRevealNotInPlan},
      {kToken, pathA, 900000, false, kRevealFailed},
      {kToken, pathA, 0, true, kRevealOpened},
  };
  for (const Case& c : cases) {
    now_ = kScanTick + c.age;
    revealAnswer_ = c.answer;
    const SoftwareOperationResult result = service_->RevealResidual(c.token, c.path);
    EXPECT_EQ(result.message, c.message) << c.path << " " << c.age;
    EXPECT_EQ(result.succeeded, c.message == kRevealOpened);
  }
  EXPECT_EQ(revealed_, std::vector<std::wstring>(2, a));
}

TEST(TreeBeforeDelete, DepthLinksAndTheItemBudget) {
  struct Case {
    std::wstring path;
    uint32_t depth, maxItems;
    bool accepted;
  };
  const std::vector<Case> cases = {
      {FixturePath(L"deep64"), 0, 16000, true},
      {FixturePath(L"deep64"), 1, 16000, false},
      {FixturePath(L"deep65"), 0, 16000, false},
      {FixturePath(L"deep70"), 0, 16000, false},
      {FixturePath(L"wide"), 0, 5001, true},  // the folder and its 5000 subfolders
      {FixturePath(L"wide"), 0, 5000, false},
      {FixturePath(L"big"), 0, 16000, false},
      {FixturePath(L"real"), 0, 16000, false},  // a folder link inside
      {FixturePath(L"real\\dir\\file.txt"), 0, 16000, true},
      {FixturePath(L"real\\dir\\missing"), 0, 16000, false},
  };
  for (const Case& c : cases) {
    ScanBudget budget({}, [] { return uint64_t{0}; });
    budget.maxFileItems = c.maxItems;
    EXPECT_EQ(VerifyTreeBeforeDelete(c.path, budget, c.depth), c.accepted) << c.path << " " << c.maxItems;
  }
}

std::set<DWORD> ExplorerProcesses() {
  std::set<DWORD> ids;
  const FileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
    if (_wcsicmp(entry.szExeFile, L"explorer.exe") == 0) ids.insert(entry.th32ProcessID);
  }
  return ids;
}

// The one real call: Wine's Explorer stays open, so the test ends the
// Explorer process that the call started. The desktop's own Explorer is
// started first, so that it is not taken for that one.
TEST(Reveal, OpensExplorerOnThePath) {
  ASSERT_NE(GetDesktopWindow(), nullptr);
  const std::set<DWORD> before = ExplorerProcesses();
  EXPECT_TRUE(RevealInExplorer(FixturePath(L"real\\dir\\file.txt")));
  std::set<DWORD> started;
  for (int wait = 0; wait < 30; ++wait) {
    Sleep(100);
    for (DWORD id : ExplorerProcesses()) {
      if (before.count(id) == 0) started.insert(id);
    }
  }
  for (DWORD id : started) {
    const KernelHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
    if (process && TerminateProcess(process.get(), 0)) WaitForSingleObject(process.get(), 5000);
  }
  EXPECT_EQ(started.size(), 1u);
  for (DWORD id : started) EXPECT_EQ(ExplorerProcesses().count(id), 0u) << id;
}

}  // namespace
}  // namespace nubo
