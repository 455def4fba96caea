// The software manager's promise, world by world in the prefix's real known
// folders: a leftover scan never offers a protected folder or an ancestor of
// one, a select-all cleanup after the uninstall moves only plan paths that
// are still what the scan found, and no request outside a valid plan moves
// anything. safety_suite.sh runs each world alone and checks the sentinel
// manifest with sha256sum -c after it.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "maintenance/software/cleanup_texts.h"
#include "maintenance/software/software_service.h"
#include "store/text_convert.h"
#include "tests/maintenance/software/safety_world.h"

namespace nubo {
namespace {

using testing::FixtureWorld;
using testing::QuarantineMover;
using testing::WorldPath;
using testing::WorldPiece;
using testing::WorldProgram;
using testing::Written;

constexpr std::string_view kNeedsValidPlan = kCleanupNotAuthorised;
constexpr std::string_view kNothingSelected = kCleanupNothingSelected;
constexpr std::string_view kNotInPlan = kCleanupNotInPlan;
constexpr std::string_view kStillRegistered = kCleanupStillRegistered;

WorldPiece Folder(const std::wstring& path) { return {WorldPiece::kFolder, path, L"", 0}; }
WorldPiece File(const std::wstring& path) { return {WorldPiece::kFile, path, L"", 0}; }
WorldPiece Shortcut(const std::wstring& path, const std::wstring& target) {
  return {WorldPiece::kShortcut, path, target, 0};
}
WorldPiece Deep(const std::wstring& path, int levels) { return {WorldPiece::kDeepTree, path, L"", levels}; }
WorldPiece Wide(const std::wstring& path, int files) { return {WorldPiece::kWideTree, path, L"", files}; }
WorldPiece Link(const std::wstring& path, const std::wstring& target) { return {WorldPiece::kLink, path, target, 0}; }

std::wstring Fold(std::wstring path) {
  for (auto& unit : path) unit = towlower(unit);
  return path;
}
bool SamePath(const std::wstring& a, const std::wstring& b) { return Fold(a) == Fold(b); }
// Strictly inside.
bool Inside(const std::wstring& path, const std::wstring& folder) {
  return path.size() > folder.size() + 1 && Fold(path).rfind(Fold(folder) + L"\\", 0) == 0;
}
bool Holds(const std::vector<std::wstring>& paths, const std::wstring& path) {
  return std::any_of(paths.begin(), paths.end(), [&](const std::wstring& p) { return SamePath(p, path); });
}
bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
std::vector<std::wstring> Wide16(const std::vector<std::string>& paths) {
  std::vector<std::wstring> wide;
  for (const auto& path : paths) wide.push_back(Utf8ToUtf16(path));
  return wide;
}

struct World {
  const char* name;
  WorldProgram program;
  std::vector<WorldProgram> others;  // stay registered
  std::vector<WorldPiece> pieces;
  std::function<void(FixtureWorld&)> afterScan;  // between the scan and the uninstall
  std::vector<std::wstring> mustStay;            // never moved, still in place
  std::vector<std::wstring> mustMove;            // a sound cleanup moves them: the world reaches the mover
  std::function<void(FixtureWorld&)> beforeScan = {};  // after the world is built and registered
};

const std::wstring kPf = L"%ProgramFiles%\\";

// The publisher's name takes "Nubo" and "Safety" out of the product's keys,
// so that no folder of the prefix named only that is taken for a world's.
WorldProgram Program(const std::wstring& name, const std::wstring& location, const std::wstring& exe = L"",
                     const std::wstring& publisher = L"Nubo Safety Works") {
  std::wstring key = L"NuboSafety";
  for (wchar_t unit : name) {
    if (iswalnum(unit)) key += unit;
  }
  return {key, name, publisher, location, exe};
}

std::wstring TrimQuotes(std::wstring text) {
  if (text.size() > 1 && text.front() == L'"' && text.back() == L'"') text = text.substr(1, text.size() - 2);
  while (text.size() > 3 && text.back() == L'\\') text.pop_back();
  return text;
}

// A program whose registered install folder is a protected folder, named
// after it: nothing of the folder or above it may be offered.
World NamedLike(const char* world, const std::wstring& name, const std::wstring& location,
                const std::wstring& publisher = L"Nubo Safety Works") {
  return {world, Program(name, location, L"", publisher), {}, {}, {}, {WorldPath(TrimQuotes(location))}, {}};
}

// Another program's folder inside the scanned program's, its location written
// in another form than a plain drive path: the install folder stays, its
// shortcut still goes; a location that cannot be read keeps every folder.
World NeighbourWritten(const char* world, const std::wstring& suffix, Written written) {
  const std::wstring host = kPf + L"Nubo Safety Host " + suffix;
  WorldProgram neighbour = Program(L"Nubo Safety Neighbour " + suffix, host + L"\\Neighbour");
  neighbour.written = written;
  const bool unreadable = written == Written::kRelative;
  const std::wstring data = L"%Local%\\Nubo Safety Host " + suffix;
  std::vector<std::wstring> stay = {host + L"\\Neighbour\\neighbour.dat", host};
  std::vector<std::wstring> move = {L"%Programs%\\Nubo Safety Host " + suffix + L".lnk"};
  (unreadable ? stay : move).push_back(data);
  return {world,
          Program(L"Nubo Safety Host " + suffix, host, host + L"\\host.exe"),
          {neighbour},
          {File(host + L"\\host.exe"), File(host + L"\\Neighbour\\neighbour.dat"), File(data + L"\\cache.txt"),
           Shortcut(L"%Programs%\\Nubo Safety Host " + suffix + L".lnk", host + L"\\host.exe")},
          {},
          stay,
          move};
}

std::vector<World> Worlds() {
  const std::wstring plainExe = kPf + L"Nubo Safety Plain\\plain.exe";
  const std::wstring sharedExe = kPf + L"Nubo Safety Shared\\shared.exe";
  const std::wstring upgradeExe = kPf + L"Nubo Safety Upgrade\\upgrade.exe";
  const std::wstring downloadsExe = L"%Downloads%\\Downloads.exe";
  return {
      {"Plain",
       Program(L"Nubo Safety Plain", kPf + L"Nubo Safety Plain", plainExe, L"Nubo Probe Works"),
       {},
       {File(plainExe), File(L"%Local%\\Nubo Safety Plain\\cache.txt"),
        File(L"%Roaming%\\Nubo Safety Plain\\settings.ini"), File(L"%ProgramData%\\Nubo Safety Plain\\shared.txt"),
        File(L"%Roaming%\\Nubo Probe Works\\Nubo Safety Plain\\state.txt"),
        File(L"%Roaming%\\Nubo Probe Works\\account.txt"), Shortcut(L"%Programs%\\Nubo Safety Plain.lnk", plainExe),
        Shortcut(L"%Desktop%\\Nubo Safety Plain.lnk", plainExe)},
       {},
       {L"%Roaming%\\Nubo Probe Works\\account.txt"},
       {kPf + L"Nubo Safety Plain", L"%Local%\\Nubo Safety Plain", L"%Roaming%\\Nubo Safety Plain",
        L"%ProgramData%\\Nubo Safety Plain", L"%Roaming%\\Nubo Probe Works\\Nubo Safety Plain",
        L"%Programs%\\Nubo Safety Plain.lnk", L"%Desktop%\\Nubo Safety Plain.lnk"}},
      {"InstalledIntoDownloads",
       Program(L"Downloads", L"%Downloads%", downloadsExe),
       {},
       {File(downloadsExe), Shortcut(L"%Programs%\\Downloads.lnk", downloadsExe)},
       {},
       {L"%Downloads%", downloadsExe},
       {L"%Programs%\\Downloads.lnk"}},
      NamedLike("DownloadsWithSeparator", L"Downloads", L"%Downloads%\\"),
      NamedLike("DownloadsQuoted", L"Downloads", L"\"%Downloads%\\\""),
      NamedLike("Documents", L"Documents", L"%Documents%"),
      NamedLike("Desktop", L"Desktop", L"%Desktop%"),
      NamedLike("AppData", L"AppData", L"%Profile%\\AppData"),
      NamedLike("Local", L"Local", L"%Local%"),
      NamedLike("Roaming", L"Roaming", L"%Roaming%"),
      NamedLike("ProgramData", L"ProgramData", L"%ProgramData%"),
      NamedLike("ProgramFiles", L"Program Files", L"%ProgramFiles%"),
      NamedLike("Users", L"Users", L"%Users%"),
      NamedLike("Windows", L"Windows", L"%Windows%"),
      NamedLike("System32", L"System32", L"%Windows%\\System32"),
      NamedLike("StartMenu", L"Start Menu", L"%Roaming%\\Microsoft\\Windows\\Start Menu", L"Microsoft"),
      NamedLike("DriveRoot", L"Nubo Safety Root", L"C:\\"),
      {"SharedInstallFolder",
       Program(L"Nubo Safety Shared", kPf + L"Nubo Safety Shared", sharedExe),
       {Program(L"Nubo Safety Shared Engine", kPf + L"Nubo Safety Shared\\Engine",
                kPf + L"Nubo Safety Shared\\Engine\\engine.exe"),
        Program(L"Nubo Companion Plugin", L"", L"%Local%\\Nubo Safety Shared\\plugin\\plugin.exe")},
       {File(sharedExe), File(kPf + L"Nubo Safety Shared\\Engine\\engine.exe"),
        File(L"%Local%\\Nubo Safety Shared\\plugin\\plugin.exe"), File(L"%Roaming%\\Nubo Safety Shared\\a.txt"),
        Shortcut(L"%Programs%\\Nubo Safety Shared.lnk", sharedExe)},
       {},
       {kPf + L"Nubo Safety Shared", L"%Local%\\Nubo Safety Shared"},
       {L"%Roaming%\\Nubo Safety Shared", L"%Programs%\\Nubo Safety Shared.lnk"}},
      {"OtherProgramInstalledAfterTheScan",
       Program(L"Nubo Safety Upgrade", kPf + L"Nubo Safety Upgrade", upgradeExe),
       {},
       {File(upgradeExe), Folder(kPf + L"Nubo Safety Upgrade\\bin"), Folder(L"%Local%\\Nubo Safety Upgrade\\addon"),
        File(L"%Roaming%\\Nubo Safety Upgrade\\a.txt")},
       [](FixtureWorld& world) {
         // Inside subfolders that existed at the scan: under Wine a folder's
         // creation time moves with its entries, and the plan folders must
         // keep their identity for the check of a later install to matter.
         world.Build(File(kPf + L"Nubo Safety Upgrade\\bin\\agent.exe"));
         world.Register(Program(L"Nubo Upgrade Agent", kPf + L"Nubo Safety Upgrade\\bin",
                                kPf + L"Nubo Safety Upgrade\\bin\\agent.exe"));
         world.Build(File(L"%Local%\\Nubo Safety Upgrade\\addon\\addon.exe"));
         world.Register(Program(L"Nubo Upgrade Addon", L"", L"%Local%\\Nubo Safety Upgrade\\addon\\addon.exe"));
       },
       {kPf + L"Nubo Safety Upgrade", L"%Local%\\Nubo Safety Upgrade"},
       {L"%Roaming%\\Nubo Safety Upgrade"}},
      {"LinkSwappedInAfterTheScan",
       Program(L"Nubo Safety Swap", L"", L"", L"Nubo Swap Works"),
       {},
       {File(L"%Local%\\Nubo Safety Swap\\a.txt"), File(L"%Roaming%\\Nubo Swap Works\\Nubo Safety Swap\\b.txt"),
        File(L"%Fixture%\\decoy\\Nubo Safety Swap\\keep.txt"), File(L"%ProgramData%\\Nubo Safety Swap\\c.txt")},
       [](FixtureWorld& world) {
         world.MoveAside(L"%Local%\\Nubo Safety Swap");
         world.Build(Link(L"%Local%\\Nubo Safety Swap", L"%Documents%"));
         world.MoveAside(L"%Roaming%\\Nubo Swap Works");
         world.Build(Link(L"%Roaming%\\Nubo Swap Works", L"%Fixture%\\decoy"));
       },
       {L"%Local%\\Nubo Safety Swap", L"%Roaming%\\Nubo Swap Works\\Nubo Safety Swap",
        L"%Fixture%\\decoy\\Nubo Safety Swap\\keep.txt"},
       {L"%ProgramData%\\Nubo Safety Swap"}},
      {"FolderReplacedAfterTheScan",
       Program(L"Nubo Safety Replaced", L""),
       {},
       {File(L"%Local%\\Nubo Safety Replaced\\a.txt"), File(L"%Roaming%\\Nubo Safety Replaced\\b.txt")},
       [](FixtureWorld& world) {
         world.MoveAside(L"%Local%\\Nubo Safety Replaced");
         world.Build(File(L"%Local%\\Nubo Safety Replaced\\someone else's.txt"));
       },
       {L"%Local%\\Nubo Safety Replaced\\someone else's.txt"},
       {L"%Roaming%\\Nubo Safety Replaced"}},
      {"TreeHoldingALink",
       Program(L"Nubo Safety Linked", L"", L"", L"Nubo Link Works"),
       {},
       {Link(L"%Local%\\Nubo Safety Linked\\documents", L"%Documents%"),
        Link(L"%Roaming%\\Nubo Safety Linked\\a\\b\\c\\downloads", L"%Downloads%"),
        File(L"%ProgramData%\\Nubo Safety Linked\\c.txt")},
       {},
       {L"%Local%\\Nubo Safety Linked", L"%Roaming%\\Nubo Safety Linked"},
       {L"%ProgramData%\\Nubo Safety Linked"}},
      {"DeeperThan65Levels",
       Program(L"Nubo Safety Deep", L""),
       {},
       {Deep(L"%Local%\\Nubo Safety Deep", 64), Deep(L"%Roaming%\\Nubo Safety Deep", 65)},
       {},
       {L"%Roaming%\\Nubo Safety Deep"},
       {L"%Local%\\Nubo Safety Deep"}},
      // Windows' own data under the maker's folders: the saved passwords and
      // keys of the roaming Microsoft folder, its local and shared twins.
      {"MicrosoftPublisher",
       Program(L"Windows Credentials Protect", L"", kPf + L"Nubo Safety Vault\\vault.exe", L"Microsoft Corporation"),
       {},
       {File(kPf + L"Nubo Safety Vault\\vault.exe"), File(L"%Roaming%\\Microsoft\\Credentials\\saved.txt"),
        File(L"%Roaming%\\Microsoft\\Protect\\keys.txt"), File(L"%Local%\\Microsoft\\Credentials\\local.txt"),
        File(L"%Local%\\Microsoft\\Windows\\history.txt"), File(L"%ProgramData%\\Microsoft\\Protect\\machine.txt"),
        Shortcut(L"%Programs%\\Windows Credentials Protect.lnk", kPf + L"Nubo Safety Vault\\vault.exe")},
       {},
       {L"%Roaming%\\Microsoft\\Credentials\\saved.txt", L"%Roaming%\\Microsoft\\Protect\\keys.txt",
        L"%Local%\\Microsoft\\Credentials\\local.txt", L"%Local%\\Microsoft\\Windows\\history.txt",
        L"%ProgramData%\\Microsoft\\Protect\\machine.txt"},
       {L"%Programs%\\Windows Credentials Protect.lnk"}},
      {"MicrosoftToken",
       Program(L"Nubo Safety Microsoft Windows Bridge", L""),
       {},
       {File(L"%Local%\\Microsoft\\Windows\\bridge.txt"),
        File(L"%Local%\\Nubo Safety Microsoft Windows Bridge\\a.txt")},
       {},
       {L"%Local%\\Microsoft\\Windows\\bridge.txt"},
       {L"%Local%\\Nubo Safety Microsoft Windows Bridge"}},
      NeighbourWritten("NeighbourWin32Prefix", L"W", Written::kWin32),
      NeighbourWritten("NeighbourNtPrefix", L"N", Written::kNt),
      NeighbourWritten("NeighbourUnexpanded", L"E", Written::kUnexpanded),
      NeighbourWritten("NeighbourShortName", L"S", Written::kShortName),
      NeighbourWritten("NeighbourRelative", L"R", Written::kRelative),
      NeighbourWritten("NeighbourThroughOwnShare", L"U", Written::kOwnShare),
      {"NeighbourFromInstallerRecords",
       Program(L"Nubo Safety Host M", kPf + L"Nubo Safety Host M", kPf + L"Nubo Safety Host M\\host.exe"),
       {},
       {File(kPf + L"Nubo Safety Host M\\host.exe"),
        Shortcut(L"%Programs%\\Nubo Safety Host M.lnk", kPf + L"Nubo Safety Host M\\host.exe")},
       {},
       {kPf + L"Nubo Safety Host M\\Neighbour\\payload.txt"},
       {L"%Programs%\\Nubo Safety Host M.lnk"},
       [](FixtureWorld& world) {
         world.InstallPackage(L"%Fixture%\\neighbour.msi", L"{6B1C2D3E-4F50-4A61-8B72-9C0D1E2F3A4B}");
       }},
      // A data folder whose name is also a key of a program that stays.
      {"SharedDataFolder",
       Program(L"Nubo Safety Studio", L""),
       {Program(L"Nubo Safety Studio Player", L"")},
       {File(L"%Roaming%\\Safety Studio\\settings.ini"), File(L"%Local%\\Nubo Safety Studio\\cache.txt")},
       {},
       {L"%Roaming%\\Safety Studio\\settings.ini"},
       {L"%Local%\\Nubo Safety Studio"}},
      // Another program's shortcut to an executable the scanned one names.
      {"ShortcutToMsiexec",
       Program(L"Nubo Safety Repair", L"", L"%Windows%\\System32\\msiexec.exe"),
       {},
       {Shortcut(L"%Programs%\\Nubo Safety Repair.lnk", L"%Windows%\\System32\\msiexec.exe")},
       {},
       {L"%Programs%\\Nubo Safety Repair.lnk"},
       {}},
      {"ShortcutToSharedExecutable",
       Program(L"Nubo Safety Runner Addon", L"", kPf + L"Nubo Safety Runner\\runner.exe"),
       {Program(L"Nubo Safety Runner", kPf + L"Nubo Safety Runner", kPf + L"Nubo Safety Runner\\runner.exe")},
       {File(kPf + L"Nubo Safety Runner\\runner.exe"),
        Shortcut(L"%Programs%\\Nubo Safety Runner.lnk", kPf + L"Nubo Safety Runner\\runner.exe")},
       {},
       {L"%Programs%\\Nubo Safety Runner.lnk", kPf + L"Nubo Safety Runner\\runner.exe"},
       {}},
      // Shared folders of the system as install locations.
      NamedLike("CommonFiles", L"Common Files", L"%CommonFiles%"),
      NamedLike("CommonFilesX86", L"Common Files", L"%CommonFilesX86%"),
      {"UserCommonFiles",
       Program(L"Common", L"%UserCommon%"),
       {},
       {File(L"%UserCommon%\\shared.dll")},
       {},
       {L"%UserCommon%\\shared.dll"},
       {}},
      {"TemporaryFolder",
       Program(L"Nubo Safety Scratch", L"%Fixture%\\Nubo Safety Scratch"),
       {},
       {File(L"%Fixture%\\Nubo Safety Scratch\\other program.tmp")},
       {},
       {L"%Fixture%\\Nubo Safety Scratch\\other program.tmp"},
       {},
       [](FixtureWorld& world) { world.UseTemporaryFolder(L"%Fixture%\\Nubo Safety Scratch"); }},
      {"SixteenThousandEntries",
       Program(L"Nubo Safety Wide", L""),
       {},
       {Wide(L"%Local%\\Nubo Safety Wide", 15999)},
       {},
       {},
       {L"%Local%\\Nubo Safety Wide"}},
      {"SixteenThousandAndOneEntries",
       Program(L"Nubo Safety Wider", L""),
       {},
       {Wide(L"%Local%\\Nubo Safety Wider", 16000)},
       {},
       {L"%Local%\\Nubo Safety Wider"},
       {}},
  };
}

// Nothing offered is a protected folder, an ancestor of one or inside the
// Windows folder, and no folder offered is or holds another program's place.
void ExpectOffersSafe(const SoftwareCleanupPlan& plan, const World& w) {
  std::vector<std::wstring> others;
  for (const auto& other : w.others) {
    if (!other.installLocation.empty()) others.push_back(WorldPath(other.installLocation));
    if (!other.mainExecutable.empty()) others.push_back(WorldPath(other.mainExecutable));
  }
  for (const ResidualItem& item : plan.residuals) {
    const std::wstring path = Utf8ToUtf16(item.path);
    for (const auto& guarded : testing::GuardedFolders()) {
      EXPECT_FALSE(SamePath(path, guarded) || Inside(guarded, path)) << item.path << " guards " << Utf16ToUtf8(guarded);
    }
    EXPECT_FALSE(Inside(path, WorldPath(L"%Windows%"))) << item.path;
    if (item.kind == "shortcut") {
      const std::wstring target = Utf8ToUtf16(item.targetPath);
      for (const auto& other : others) {
        EXPECT_FALSE(SamePath(target, other) || Inside(target, other))
            << item.path << " leads into " << Utf16ToUtf8(other);
      }
      continue;
    }
    for (const auto& data : testing::WindowsDataFolders()) {
      EXPECT_FALSE(SamePath(path, data) || Inside(path, data)) << item.path << " is Windows' data";
    }
    for (const auto& other : others) {
      EXPECT_FALSE(SamePath(path, other) || Inside(other, path)) << item.path << " holds " << Utf16ToUtf8(other);
    }
  }
}

void ExpectOnlyPlanPathsMoved(const std::vector<std::string>& selected, const SoftwareOperationResult& result,
                              const QuarantineMover& mover) {
  const std::vector<std::wstring> chosen = Wide16(selected);
  EXPECT_TRUE(mover.refused.empty()) << "asked to move " << Utf16ToUtf8(mover.refused.front());
  for (const auto& path : mover.moved) EXPECT_TRUE(Holds(chosen, path)) << Utf16ToUtf8(path);
  EXPECT_EQ(mover.Contents().size(), mover.moved.size());
  for (const auto& path : Wide16(result.removedPaths)) EXPECT_TRUE(Holds(chosen, path)) << Utf16ToUtf8(path);
  for (const auto& path : Wide16(result.failedPaths)) EXPECT_TRUE(Holds(chosen, path)) << Utf16ToUtf8(path);
}

void PrintTo(const World& world, std::ostream* out) { *out << world.name; }

class SafetyWorld : public ::testing::TestWithParam<World> {};

// Scan while registered, uninstall, then a cleanup of every plan path with
// the scan's token.
TEST_P(SafetyWorld, SelectAllMovesOnlyWhatThePlanStillProves) {
  const World& w = GetParam();
  FixtureWorld world(w.others, w.pieces);
  world.Register(w.program);
  if (w.beforeScan) w.beforeScan(world);
  QuarantineMover mover(world);
  // A clock that stands still: the limits that end a walk are its counts,
  // not the machine's speed.
  SoftwareSystem system = mover.System();
  system.tick = [] { return uint64_t{1'000'000}; };
  SoftwareService service(system);
  const SoftwareCleanupPlan plan =
      service.ScanResiduals(FixtureWorld::IdOf(w.program.key), Utf16ToUtf8(w.program.displayName), {});
  ExpectOffersSafe(plan, w);
  if (w.afterScan) w.afterScan(world);
  world.Unregister(w.program.key);

  std::vector<std::string> all;
  for (const ResidualItem& item : plan.residuals) all.push_back(item.path);
  const SoftwareOperationResult result = service.CleanupResiduals(plan.token, plan.displayName, all, true);

  ExpectOnlyPlanPathsMoved(all, result, mover);
  const std::vector<std::wstring> removed = Wide16(result.removedPaths);
  for (const auto& written : w.mustStay) {
    const std::wstring path = WorldPath(written);
    EXPECT_TRUE(Exists(path)) << Utf16ToUtf8(path);
    EXPECT_FALSE(Holds(mover.moved, path) || Holds(removed, path)) << Utf16ToUtf8(path);
  }
  for (const auto& written : w.mustMove) {
    const std::wstring path = WorldPath(written);
    EXPECT_TRUE(Holds(Wide16(all), path)) << "not offered: " << Utf16ToUtf8(path);
    EXPECT_TRUE(Holds(mover.moved, path) && Holds(removed, path) && !Exists(path)) << Utf16ToUtf8(path);
  }
}

INSTANTIATE_TEST_SUITE_P(Worlds, SafetyWorld, ::testing::ValuesIn(Worlds()),
                         [](const ::testing::TestParamInfo<World>& world) { return std::string(world.param.name); });

// Every request outside a valid plan is refused before anything moves.
TEST(SafetyRefusals, NoMoveOutsideAValidPlanThenTheSameTokenStillWorks) {
  const WorldProgram program = Program(L"Nubo Safety Refusal", L"");
  FixtureWorld world({}, {File(L"%Local%\\Nubo Safety Refusal\\a.txt"), File(L"%Roaming%\\Nubo Safety Refusal\\b.txt"),
                          File(L"%Local%\\Nubo Refusal Other\\c.txt")});
  world.Register(program);
  QuarantineMover mover(world);
  uint64_t ahead = 0;
  SoftwareSystem system = mover.System();
  const TickSource64 machineTick = system.tick;
  system.tick = [&] { return machineTick() + ahead; };
  SoftwareService service(system);
  const std::string id = FixtureWorld::IdOf(program.key);
  const SoftwareCleanupPlan plan = service.ScanResiduals(id, "Nubo Safety Refusal", {});
  ASSERT_EQ(plan.residuals.size(), 2u);
  const std::string local = plan.residuals[0].path;
  std::vector<std::string> all{local, plan.residuals[1].path};
  std::string upper = local;
  for (auto& unit : upper) unit = static_cast<char>(toupper(static_cast<unsigned char>(unit)));
  std::string wrongToken = plan.token;
  wrongToken.back() = wrongToken.back() == '0' ? '1' : '0';
  const std::string forged = Utf16ToUtf8(WorldPath(L"%Local%\\Nubo Refusal Other"));

  struct Case {
    const char* name;
    std::function<void()> before;
    std::string token, typed;
    std::vector<std::string> selected;
    bool confirmed;
    std::string_view message;
  };
  const std::string name = plan.displayName;
  const std::vector<Case> cases = {
      {"still registered", {}, plan.token, name, all, true, kStillRegistered},
      {"uninstalled; not confirmed", [&] { world.Unregister(program.key); }, plan.token, name, all, false,
       kNeedsValidPlan},
      {"wrong token", {}, wrongToken, name, all, true, kNeedsValidPlan},
      {"token one short", {}, plan.token.substr(0, 31), name, all, true, kNeedsValidPlan},
      {"token one long", {}, plan.token + "0", name, all, true, kNeedsValidPlan},
      {"no token", {}, "", name, all, true, kNeedsValidPlan},
      {"name in other case", {}, plan.token, "nubo safety refusal", all, true, kNeedsValidPlan},
      {"name with a blank", {}, plan.token, name + " ", all, true, kNeedsValidPlan},
      {"nothing selected", {}, plan.token, name, {}, true, kNothingSelected},
      {"more than the plan", {}, plan.token, name, {local, local, local}, true, kNothingSelected},
      {"forged path", {}, plan.token, name, {local, forged}, true, kNotInPlan},
      {"traversal", {}, plan.token, name, {local + "\\..\\..\\..\\Downloads"}, true, kNotInPlan},
      {"case variant", {}, plan.token, name, {upper}, true, kNotInPlan},
      {"trailing separator", {}, plan.token, name, {local + "\\"}, true, kNotInPlan},
      {"expired", [&] { ahead = 900001; }, plan.token, name, all, true, kNeedsValidPlan},
      {"stale after a cancel", [&] { ahead = 0, service.CancelScan(); }, plan.token, name, all, true, kNeedsValidPlan},
  };
  for (const Case& c : cases) {
    if (c.before) c.before();
    const SoftwareOperationResult result = service.CleanupResiduals(c.token, c.typed, c.selected, c.confirmed);
    EXPECT_FALSE(result.succeeded) << c.name;
    EXPECT_EQ(result.message, c.message) << c.name;
    EXPECT_TRUE(result.removedPaths.empty() && result.failedPaths.empty()) << c.name;
    EXPECT_TRUE(mover.moved.empty() && mover.refused.empty()) << c.name;
    for (const auto& path : all) EXPECT_TRUE(Exists(Utf8ToUtf16(path))) << c.name;
    EXPECT_TRUE(Exists(WorldPath(L"%Local%\\Nubo Refusal Other\\c.txt"))) << c.name;
  }

  // A refresh rebinds the stale plan: the same token now moves both.
  EXPECT_EQ(service.RefreshResiduals(plan.token).token, plan.token);
  const SoftwareOperationResult moved = service.CleanupResiduals(plan.token, name, all, true);
  EXPECT_TRUE(moved.succeeded) << moved.message;
  EXPECT_EQ(moved.removedPaths, all);
  ExpectOnlyPlanPathsMoved(all, moved, mover);
  EXPECT_EQ(mover.moved.size(), 2u);
}

}  // namespace
}  // namespace nubo
