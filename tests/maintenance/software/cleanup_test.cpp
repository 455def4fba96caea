#include <windows.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "store/dynamic_procedure.h"
#include "maintenance/software/cleanup_texts.h"
#include "maintenance/software/file_identity.h"
#include "maintenance/software/folder_reveal.h"
#include "maintenance/software/path_rules.h"
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
  static size_t PlanSize(SoftwareService& service) { return service.plan_.residuals.size(); }
};

namespace {

using testing::FixturePath;

constexpr char kToken[] = "00112233445566778899aabbccddeeff";
constexpr char kId[] = "HKCU|64|Cleanup Tool";
constexpr char kName[] = "Cleanup Tool";
constexpr uint64_t kScanTick = 5000;

std::vector<std::string> Paths(const std::vector<std::wstring>& paths) {
  std::vector<std::string> texts;
  for (const std::wstring& path : paths) texts.push_back(Utf16ToUtf8(path));
  return texts;
}

RegisteredSoftware Program(const std::string& id, const std::wstring& location) {
  RegisteredSoftware program;
  program.id = id;
  program.displayName = kName;
  program.installLocation = Utf16ToUtf8(location);
  return program;
}

// A world of leftovers under C:\swfix\cleanup, a plan over them, and a mover
// that moves only into the world's quarantine and fails on any other path.
class Cleanup : public ::testing::Test {
 protected:
  Cleanup() {
    testing::RemoveTree(root_);
    CreateDirectoryW(root_.c_str(), nullptr);
    CreateDirectoryW(quarantine_.c_str(), nullptr);
    system_.tick = [this] { return now_; };
    system_.readInstalled = [this](const std::function<bool()>&) { return installed_; };
    system_.moveToRecycleBin = [this](const std::wstring& path) { return Move(path); };
    system_.revealInExplorer = [this](const std::wstring& path) {
      revealed_.push_back(path);
      return revealAnswer_;
    };
    service_ = std::make_unique<SoftwareService>(system_);
  }
  ~Cleanup() override {
    EXPECT_TRUE(foreign_.empty()) << "the mover was asked for a path outside the world";
    testing::RemoveTree(root_);
  }
  // A folder holding one file.
  std::wstring Make(const std::wstring& name) {
    const std::wstring path = root_ + L"\\" + name;
    CreateDirectoryW(path.c_str(), nullptr);
    testing::WriteWholeFile(path + L"\\file.txt", "data");
    return path;
  }
  // Under Wine a folder's creation time moves with its entries: a new
  // identity comes from a new folder, the old one moved aside.
  void Replace(const std::wstring& name) {
    ASSERT_TRUE(MoveFileW((root_ + L"\\" + name).c_str(), (root_ + L"\\" + name + L".old").c_str()));
    Make(name);
  }
  void LockPlan(const std::vector<std::wstring>& paths) {
    SoftwareCleanupPlan plan{kToken, kId, kName, {}, false, {}, kScanTick, 0};
    for (const std::wstring& path : paths) {
      plan.residuals.push_back(ResidualItem{Utf16ToUtf8(path), "", "", "program", "", "high", 0, 0, false, false,
                                            false, GetFileIdentity(path)});
    }
    SoftwareServiceTestAccess::Lock(*service_, plan);
  }
  SoftwareOperationResult Clean(const std::vector<std::wstring>& paths) {
    return service_->CleanupResiduals(kToken, kName, Paths(paths), true);
  }
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
  SoftwareSystem system_;
  std::unique_ptr<SoftwareService> service_;
};

TEST_F(Cleanup, RefusesInOrderAndTouchesNothing) {
  const std::wstring a = Make(L"a"), b = Make(L"b");
  const std::string pathA = Utf16ToUtf8(a), otherToken = "00112233445566778899aabbccddeefF";
  // Still registered under another name: the id alone counts.
  RegisteredSoftware renamed = Program(kId, a);
  renamed.displayName = "Renamed Tool";
  struct Case {
    std::string token, typedName;
    std::vector<std::string> selected;
    bool confirmed;
    uint64_t age;
    bool cancelled, registered;
    std::string_view message;
  };
  // Each case also breaks a later rule, which must not be the one reported.
  const std::vector<Case> cases = {
      {kToken, kName, {pathA}, false, 0, false, true, kCleanupNotAuthorised},
      {otherToken, kName, {pathA}, true, 0, false, true, kCleanupNotAuthorised},
      {kToken, kName, {pathA}, true, 900001, false, true, kCleanupNotAuthorised},
      {kToken, kName, {pathA}, true, 0, true, true, kCleanupNotAuthorised},
      {kToken, "cleanup tool", {}, true, 0, false, false, kCleanupNotAuthorised},
      {kToken, kName, {}, true, 0, false, true, kCleanupNothingSelected},
      {kToken, kName, {pathA, pathA, pathA}, true, 0, false, false, kCleanupNothingSelected},
      {kToken, kName, {pathA, pathA + "\\"}, true, 0, false, true, kCleanupNotInPlan},
      {kToken, kName, {"c" + pathA.substr(1)}, true, 0, false, true, kCleanupNotInPlan},
      {kToken, kName, {Utf16ToUtf8(root_ + L"\\b\\..\\a")}, true, 0, false, true, kCleanupNotInPlan},
      {kToken, kName, {pathA, pathA}, true, 900000, false, true, kCleanupStillRegistered},
  };
  for (const Case& c : cases) {
    LockPlan({a, b});
    if (c.cancelled) service_->CancelScan();
    now_ = kScanTick + c.age;
    installed_.assign(c.registered ? 1 : 0, renamed);
    const SoftwareOperationResult result = service_->CleanupResiduals(c.token, c.typedName, c.selected, c.confirmed);
    EXPECT_EQ(result.message, c.message) << c.token << " " << c.typedName << " " << c.age;
    EXPECT_TRUE(!result.succeeded && result.removedPaths.empty() && result.failedPaths.empty());
    EXPECT_EQ(SoftwareServiceTestAccess::PlanSize(*service_), 2u);
  }
  EXPECT_TRUE(moved_.empty());
}

TEST_F(Cleanup, AScannedProgramIsCleanedOnlyAfterItsUninstall) {
  const std::wstring install = Make(L"Cleanup Tool");
  installed_ = {Program(kId, install)};
  const SoftwareCleanupPlan plan = service_->ScanResiduals(kId, kName, {});
  const std::vector<std::string> all = Paths({install});
  ASSERT_EQ(plan.residuals.size(), 1u);
  EXPECT_EQ(plan.residuals[0].path, all[0]);
  EXPECT_EQ(service_->CleanupResiduals(plan.token, kName, all, true).message, kCleanupStillRegistered);
  installed_.clear();
  EXPECT_EQ(service_->CleanupResiduals(plan.token, kName, all, true).message, kCleanupAllMoved);
  EXPECT_EQ(moved_, std::vector<std::wstring>{install});
}

TEST_F(Cleanup, MovesEachPathOnceOneOperationAtATimeAndKeepsTheRestOfThePlan) {
  const std::wstring moved = Make(L"moved"), gone = Make(L"gone"), changed = Make(L"changed"), later = Make(L"later");
  const std::wstring protectedFile = L"C:\\windows\\win.ini";
  ASSERT_FALSE(GetFileIdentity(protectedFile).empty());
  LockPlan({moved, gone, changed, later, protectedFile});
  testing::RemoveTree(gone);
  Replace(L"changed");
  // Shell calls pump messages: a request dispatched inside one is refused.
  std::vector<std::string> nested;
  beforeMove_ = [&](const std::wstring&) {
    nested = {Clean({later}).message, service_->RevealResidual(kToken, Utf16ToUtf8(later)).message};
    EXPECT_TRUE(service_->FileOperationRunning());
  };

  const SoftwareOperationResult first = Clean({moved, gone, changed, moved, protectedFile});
  EXPECT_EQ(first.message, kCleanupSomeMoved);
  EXPECT_FALSE(first.succeeded);
  EXPECT_EQ(first.removedPaths, Paths({moved, gone}));
  EXPECT_EQ(first.failedPaths, Paths({changed, protectedFile}));
  EXPECT_EQ(nested, std::vector<std::string>(2, std::string(kFileOperationBusy)));
  EXPECT_FALSE(service_->FileOperationRunning());

  beforeMove_ = {};
  const SoftwareOperationResult second = Clean({later});
  EXPECT_TRUE(second.succeeded);
  EXPECT_EQ(second.message, kCleanupAllMoved);
  EXPECT_EQ(Clean({changed}).message, kCleanupNoneMoved);
  EXPECT_EQ(Clean({moved}).message, kCleanupNotInPlan);
  EXPECT_EQ(moved_, std::vector<std::wstring>({moved, later}));
}

TEST_F(Cleanup, RefusesATreeWithALinkOrAnotherProgramOrBeyondTheWalk) {
  const std::wstring parent = Make(L"parent"), plain = Make(L"parent\\plain"), upgraded = Make(L"upgraded");
  // Wine makes no link through CreateSymbolicLinkW (and moves a link's target
  // instead of the link): the tree script's folder with a Unix link inside.
  const std::wstring linked = FixturePath(L"linkedroot"), deep = FixturePath(L"deep65"), big = FixturePath(L"big");
  LockPlan({plain, linked, upgraded, deep, big});
  installed_ = {Program("HKLM|64|Other Tool", upgraded + L"\\other")};  // installed after the scan
  // Pinned folders cannot be renamed; with attribute-only handles they could.
  DWORD renameError = ERROR_SUCCESS;
  beforeMove_ = [&](const std::wstring&) {
    if (!MoveFileW(parent.c_str(), (parent + L"2").c_str())) renameError = GetLastError();
  };

  // The walk over the big tree uses up the budget, so it comes last.
  const SoftwareOperationResult result = Clean({plain, linked, upgraded, deep, big});
  EXPECT_EQ(result.removedPaths, Paths({plain}));
  EXPECT_EQ(result.failedPaths, Paths({linked, upgraded, deep, big}));
  EXPECT_EQ(renameError, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
}

TEST_F(Cleanup, TheShellMoveAnswersNotImplementedUnderWineAndTheFileStays) {
  const std::wstring file = Make(L"kept") + L"\\file.txt";
  system_.moveToRecycleBin = [](const std::wstring& path) { return MoveToRecycleBin(path); };
  service_ = std::make_unique<SoftwareService>(system_);
  LockPlan({file});
  const SoftwareOperationResult result = Clean({file});
  EXPECT_EQ(result.message, kCleanupNoneMoved);
  EXPECT_EQ(result.failedPaths, Paths({file}));
  EXPECT_EQ(testing::ReadWholeFile(file), "data");
}

TEST_F(Cleanup, RevealOpensOnlyAPlanPathThatIsStillItself) {
  const std::wstring a = Make(L"a"), b = Make(L"b");
  LockPlan({a, b});
  Replace(L"b");
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

TEST(TreeBeforeDelete, StopsOneLevelAndOneEntryPastTheLimits) {
  struct Case {
    const wchar_t* tree;
    uint32_t maxItems;
    bool accepted;
  };
  const Case cases[] = {{L"deep64", 16000, true}, {L"deep65", 16000, false},
                        {L"wide", 5001, true},  // the folder and its 5000 subfolders
                        {L"wide", 5000, false}};
  for (const Case& c : cases) {
    ScanBudget budget({}, [] { return uint64_t{0}; });
    budget.maxFileItems = c.maxItems;
    EXPECT_EQ(VerifyTreeBeforeDelete(FixturePath(c.tree), budget, 0), c.accepted) << c.tree << " " << c.maxItems;
  }
}

// The command line of a running process, read from its process parameters;
// empty when it cannot be read.
std::wstring CommandLineOf(DWORD id) {
  using Query = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
  const auto query = FindLoadedProcedure<Query>(L"ntdll.dll", "NtQueryInformationProcess");
  const KernelHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id));
  PROCESS_BASIC_INFORMATION basic{};
  if (query == nullptr || !process ||
      query(process.get(), ProcessBasicInformation, &basic, sizeof(basic), nullptr) < 0) {
    return {};
  }
  PEB peb{};
  RTL_USER_PROCESS_PARAMETERS parameters{};
  const auto read = [&](const void* from, void* to, size_t bytes) {
    return ReadProcessMemory(process.get(), from, to, bytes, nullptr) != FALSE;
  };
  if (!read(basic.PebBaseAddress, &peb, sizeof(peb)) ||
      !read(peb.ProcessParameters, &parameters, sizeof(parameters))) {
    return {};
  }
  std::wstring line(parameters.CommandLine.Length / sizeof(wchar_t), L'\0');
  return read(parameters.CommandLine.Buffer, line.data(), parameters.CommandLine.Length) ? line : std::wstring();
}

// The Explorer processes whose command line names the folder (Wine's Explorer
// opens the folder of the selected item): other tests beside this one start
// Explorer for their own reasons.
std::set<DWORD> ExplorersShowing(const std::wstring& folder) {
  std::set<DWORD> ids;
  const FileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
    if (_wcsicmp(entry.szExeFile, L"explorer.exe") != 0) continue;
    const std::wstring line = FoldPathCase(CommandLineOf(entry.th32ProcessID));
    if (line.find(FoldPathCase(folder)) != std::wstring::npos) ids.insert(entry.th32ProcessID);
  }
  return ids;
}

// The one real call. Wine's Explorer window stays open, so the test ends the
// process the call started.
TEST(Reveal, OpensExplorerOnThePath) {
  ASSERT_NE(GetDesktopWindow(), nullptr);
  const std::wstring folder = FixturePath(L"real\\dir");
  const std::set<DWORD> before = ExplorersShowing(folder);
  EXPECT_TRUE(RevealInExplorer(folder + L"\\file.txt"));
  std::set<DWORD> started;
  for (int wait = 0; wait < 30; ++wait, Sleep(100)) {
    for (DWORD id : ExplorersShowing(folder)) {
      if (before.count(id) == 0) started.insert(id);
    }
  }
  for (DWORD id : started) {
    const KernelHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
    if (process && TerminateProcess(process.get(), 0)) WaitForSingleObject(process.get(), 5000);
  }
  EXPECT_EQ(started.size(), 1u);
  for (DWORD id : started) EXPECT_EQ(ExplorersShowing(folder).count(id), 0u) << id;
}

}  // namespace
}  // namespace nubo
