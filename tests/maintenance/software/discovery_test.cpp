#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <string>
#include <vector>

#include "maintenance/software/file_identity.h"
#include "maintenance/software/other_programs.h"
#include "maintenance/software/path_rules.h"
#include "maintenance/software/residual_discovery.h"
#include "maintenance/software/residual_texts.h"
#include "maintenance/software/software_texts.h"
#include "store/file_utils.h"
#include "store/text_convert.h"
#include "tests/characters/shortcut_files.h"
#include "tests/maintenance/software/software_fixture.h"
#include "tests/support/temp_dir.h"

namespace nubo {
namespace {

// "{X}" names a folder of the prefix.
std::wstring Expand(std::wstring text) {
  const std::pair<const wchar_t*, std::wstring> places[] = {
      {L"{P}", GetKnownFolderPath(FOLDERID_Programs)},       {L"{CP}", GetKnownFolderPath(FOLDERID_CommonPrograms)},
      {L"{D}", GetKnownFolderPath(FOLDERID_Desktop)},        {L"{PD}", GetKnownFolderPath(FOLDERID_PublicDesktop)},
      {L"{H}", GetKnownFolderPath(FOLDERID_Profile)},        {L"{L}", GetKnownFolderPath(FOLDERID_LocalAppData)},
      {L"{R}", GetKnownFolderPath(FOLDERID_RoamingAppData)}, {L"{S}", GetKnownFolderPath(FOLDERID_ProgramData)},
      {L"{PF}", GetKnownFolderPath(FOLDERID_ProgramFiles)},  {L"{F}", testing::kFixtureRoot}};
  for (const auto& [token, folder] : places) {
    for (size_t at; (at = text.find(token)) != std::wstring::npos;) text.replace(at, wcslen(token), folder);
  }
  return text;
}

// Nodes: "a\" a folder, "a>b" a shortcut a to b, "a=text" a file. A world
// takes away what it made, deepest first; folders that were there stay.
struct MadeNodes {
  std::vector<std::wstring> paths;
  void Make(const std::wstring& node) {
    const size_t link = node.find(L'>'), text = node.find(L'=');
    if (node.back() == L'\\' && !CreateDirectoryW(node.c_str(), nullptr)) return;
    if (link != std::wstring::npos) testing::CreateShortcut(node.substr(0, link), node.substr(link + 1));
    if (text != std::wstring::npos) testing::WriteWholeFile(node.substr(0, text), Utf16ToUtf8(node.substr(text + 1)));
    paths.push_back(node.substr(0, std::min(link, text)));
  }
  ~MadeNodes() {
    for (auto it = paths.rbegin(); it != paths.rend(); ++it) {
      if (it->back() == L'\\') testing::RemoveTree(it->substr(0, it->size() - 1));
      else DeleteFileW(it->c_str());
    }
  }
};

const std::wstring kExe = L"{PF}\\Quillory\\Quillory.exe";
RegisteredSoftware Program(std::wstring install = L"{PF}\\Quillory", std::wstring exe = kExe, bool inferred = false,
                           std::string id = "HKCU|64|QuilloryNotes", std::string name = "Quillory Notes") {
  RegisteredSoftware record;
  record.id = id;
  record.displayName = name;
  record.publisher = name == "Quillory Notes" ? "Vexmoor Labs" : "";
  record.installLocation = Utf16ToUtf8(Expand(install));
  record.installLocationInferred = inferred;
  record.mainExecutablePath = Expand(exe);
  return record;
}

// A shortcut's size is its file's; folders are never preselected and hold
// personal data exactly when their kind says so.
struct Want {
  std::wstring path, target;
  std::string_view label, kind, evidence, confidence;
  uint64_t size = 0;
  uint32_t count = 1;
  bool sizeTruncated = false;
};
Want Link(std::wstring path, std::string_view label, std::wstring target = kExe) {
  return {path, target, label, "shortcut", kEvidenceShortcutTarget, "high"};
}
std::string Text(const ResidualItem& i) {
  return i.path + "|" + i.targetPath + "|" + i.label + "|" + i.kind + "|" + i.evidence + "|" + i.confidence + "|" +
         std::to_string(i.sizeBytes) + "|" + std::to_string(i.itemCount) + "|" + std::to_string(i.sizeTruncated) +
         std::to_string(i.defaultSelected) + std::to_string(i.personalData);
}
std::string Text(const Want& w) {
  const std::wstring path = Expand(w.path);
  const uint64_t size = w.kind == "shortcut" ? FileSizeOrZero(path) : w.size;
  return Text({Utf16ToUtf8(path), Utf16ToUtf8(Expand(w.target)), std::string(w.label), std::string(w.kind),
               std::string(w.evidence), std::string(w.confidence), size, w.count, w.sizeTruncated, w.kind == "shortcut",
               w.kind == "personal", {}});
}

struct World {
  const char* name;
  std::vector<std::wstring> nodes;
  std::vector<RegisteredSoftware> installed;  // the scanned program first
  std::vector<Want> items;
  std::vector<std::string_view> warnings;
  size_t taken = 0;  // when set: that many of the items, in any order
};

std::vector<std::wstring> InstallFolder(std::vector<std::wstring> more) {
  more.insert(more.begin(), {L"{PF}\\Quillory\\", L"{PF}\\Quillory\\Quillory.exe=MZ"});
  return more;
}
World ManyShortcuts(int count, size_t taken, std::vector<std::string_view> warnings) {
  World world{"many shortcuts", InstallFolder({L"{P}\\Many\\"}), {Program(L"")}, {}, warnings, taken};
  for (int n = 0; n < count; ++n) {
    world.nodes.push_back(L"{P}\\Many\\" + std::to_wstring(n) + L".lnk>" + kExe);
    world.items.push_back(Link(L"{P}\\Many\\" + std::to_wstring(n) + L".lnk", kLabelUserStartMenu));
  }
  return world;
}
std::wstring Deep(int levels) {
  std::wstring path = L"{P}";
  for (int n = 1; n <= levels; ++n) path += L"\\Deep" + std::to_wstring(n);
  return path + L"\\";
}

TEST(ResidualDiscovery, FixtureWorlds) {
  testing::ComScope com;
  const std::wstring local = L"{L}\\Programs\\Quillory";
  const std::vector<World> worlds = {
      {"every place in its order",
       InstallFolder({L"{PF}\\Quillory\\manual.txt=abc", L"{P}\\Vexmoor\\", L"{P}\\Vexmoor\\Quillory.lnk>" + kExe,
                      L"{CP}\\Manual.lnk>{PF}\\Quillory\\manual.txt", L"{D}\\Quillory Notes.lnk>" + kExe,
                      L"{D}\\Other.lnk>{F}\\real\\dir\\file.txt", L"{D}\\Gone.lnk>{PF}\\Quillory\\gone.exe",
                      L"{L}\\Notes\\", L"{L}\\Quillory.lnk>" + kExe, L"{S}\\Quillory Notes\\",
                      L"{S}\\Quillory Notes\\settings.ini=12345",
                      L"{R}\\Vexmoor Labs\\", L"{R}\\Vexmoor Labs\\Quillory\\", L"{R}\\Vexmoor Labs\\Quillory\\c=1234567"}),
       {Program()},
       {Link(L"{P}\\Vexmoor\\Quillory.lnk", kLabelUserStartMenu),
        Link(L"{CP}\\Manual.lnk", kLabelCommonStartMenu, L"{PF}\\Quillory\\manual.txt"),
        Link(L"{D}\\Quillory Notes.lnk", kLabelUserDesktop),
        {L"{PF}\\Quillory", L"", kLabelRegisteredInstall, "program", kEvidenceRegisteredInstall, "high", 5, 3},
        {L"{L}\\Notes", L"", kLabelLocalAppData, "personal", "与卸载注册名称精确匹配（名称片段）；限定目录精确命中", "medium"},
        {L"{S}\\Quillory Notes", L"", kLabelProgramData, "personal", "与卸载注册名称精确匹配；限定目录精确命中", "high", 5, 2},
        {L"{R}\\Vexmoor Labs\\Quillory", L"", kLabelPublisherRoaming, "personal",
         "与卸载注册名称精确匹配（名称片段）；发布者目录下精确命中", "medium", 7, 2}},
       {}},
      {"inferred install folder outside Program Files",
       {L"{F}\\Quillory\\", L"{F}\\Quillory\\Quillory.exe=MZ", L"{PD}\\Quillory Notes.lnk>{F}\\Quillory\\Quillory.exe",
        L"{H}\\.Quillory\\", L"{L}\\Programs\\", L"{L}\\Programs\\Quillory Notes\\"},
       {Program(L"{F}\\Quillory", L"{F}\\Quillory\\Quillory.exe", true)},
       {Link(L"{PD}\\Quillory Notes.lnk", kLabelPublicDesktop, L"{F}\\Quillory\\Quillory.exe"),
        {L"{F}\\Quillory", L"", kLabelInferredInstall, "program", kEvidenceInferredInstall, "medium", 2, 2},
        {L"{H}\\.Quillory", L"", kLabelProfile, "personal", "与卸载注册名称精确匹配（名称片段）；限定目录精确命中", "medium"},
        {L"{L}\\Programs\\Quillory Notes", L"", kLabelUserPrograms, "program", "与卸载注册名称精确匹配；限定目录精确命中",
         "high"}},
       {}},
      {"quoted install folder in the user's programs, listed once",
       {L"{L}\\Programs\\", local + L"\\", local + L"\\Quillory.exe=MZ"},
       {Program(L"\"" + local + L"\\\"", local + L"\\Quillory.exe")},
       {{local, L"", kLabelRegisteredInstall, "program", kEvidenceRegisteredInstall, "high", 2, 2}},
       {}},
      {"a second program inside the install folder",
       InstallFolder({L"{PF}\\Quillory\\inkwell.exe=MZ", L"{D}\\Quillory Notes.lnk>" + kExe}),
       {Program(), Program(L"", L"{PF}\\Quillory\\inkwell.exe", false, "HKLM|64|Inkwell", "Inkwell")},
       {Link(L"{D}\\Quillory Notes.lnk", kLabelUserDesktop)},
       {kWarnInstallShared}},
      {"the same program in the other registry view",
       {L"{L}\\Programs\\", local + L"\\", local + L"\\Quillory.exe=MZ", L"{D}\\Q.lnk>" + local + L"\\Quillory.exe"},
       {Program(local, local + L"\\Quillory.exe", false, "HKLM|64|QuilloryNotes"),
        Program(local, local + L"\\Quillory.exe", false, "HKLM|32|QuilloryNotes")},
       {Link(L"{D}\\Q.lnk", kLabelUserDesktop, local + L"\\Quillory.exe")},
       {kWarnSharedFolder, kWarnInstallShared}},
      {"install folder named otherwise",
       {L"{PF}\\Gadgetry\\", L"{PF}\\Gadgetry\\Quillory.exe=MZ", L"{D}\\Q.lnk>{PF}\\Gadgetry\\Quillory.exe"},
       {Program(L"{PF}\\Gadgetry", L"{PF}\\Gadgetry\\Quillory.exe")},
       {Link(L"{D}\\Q.lnk", kLabelUserDesktop, L"{PF}\\Gadgetry\\Quillory.exe")},
       {kWarnInstallUnverified}},
      {"shortcut to a share", {L"{D}\\Q.lnk>\\\\127.0.0.1\\share\\Quillory.exe"}, {Program()}, {}, {kWarnShortcutTarget}},
      {"shortcut to the network drive", {L"{D}\\Q.lnk>N:\\Quillory.exe"}, {Program()}, {}, {kWarnShortcutTarget}},
      {"start menu six levels deep is searched, seven not",
       InstallFolder({Deep(1), Deep(2), Deep(3), Deep(4), Deep(5), Deep(6), Deep(6) + L"Q.lnk>" + kExe, Deep(7),
                      Deep(7) + L"Q.lnk>" + kExe}),
       {Program()},
       {Link(Deep(6) + L"Q.lnk", kLabelUserStartMenu),
        {L"{PF}\\Quillory", L"", kLabelRegisteredInstall, "program", kEvidenceRegisteredInstall, "high", 2, 2}},
       {kWarnShortcutDepth}},
      {"install folder deeper than a size count goes",
       {},
       {Program(L"{F}\\deep70", L"", false, "HKCU|64|Deep70", "Deep70")},
       {{L"{F}\\deep70", L"", kLabelRegisteredInstall, "program", kEvidenceRegisteredInstall, "medium", 0, 65, true}},
       {kWarnSizeIncomplete}},
      {"drive root as install folder", {}, {Program(L"C:\\", L"")}, {}, {kWarnInstallUnverified}},
      {"a known folder named like the product", {}, {Program(L"", L"", false, "HKCU|64|DesktopPal", "Desktop Pal")}, {}, {}},
      ManyShortcuts(39, 39, {}),
      ManyShortcuts(41, 40, {kWarnDisplayLimit}),
  };
  const std::vector<std::string_view> truncating = {kWarnShortcutTarget, kWarnShortcutDepth, kWarnDisplayLimit};
  for (const World& world : worlds) {
    SCOPED_TRACE(world.name);
    MadeNodes made;
    for (const std::wstring& node : world.nodes) made.Make(Expand(node));
    ScanBudget budget(nullptr, [] { return uint64_t{0}; });
    std::vector<std::string> got, want;
    for (const ResidualItem& item : BuildResidualCandidates(world.installed[0], world.installed, budget)) {
      got.push_back(Text(item));
      EXPECT_EQ(item.identity, GetFileIdentity(Utf8ToUtf16(item.path)));
      EXPECT_FALSE(item.identity.empty());
    }
    for (const Want& w : world.items) want.push_back(Text(w));
    if (world.taken != 0) {
      std::sort(got.begin(), got.end());
      std::sort(want.begin(), want.end());
      EXPECT_EQ(got.size(), world.taken);
      EXPECT_TRUE(std::includes(want.begin(), want.end(), got.begin(), got.end()));
    } else {
      EXPECT_EQ(got, want);
    }
    EXPECT_EQ(budget.warnings, std::vector<std::string>(world.warnings.begin(), world.warnings.end()));
    EXPECT_EQ(budget.truncated, std::any_of(world.warnings.begin(), world.warnings.end(), [&](std::string_view w) {
                return std::find(truncating.begin(), truncating.end(), w) != truncating.end();
              }));
  }
}

TEST(ResidualDiscovery, AnotherProgramAtOrInsideAFolderOnALocalDrive) {
  struct Case {
    std::wstring path, location;
    bool holds;
  };
  for (const Case& c : std::vector<Case>{{L"C:\\Data", L"c:\\DATA\\", true},
                                         {L"C:\\Data", L"C:\\Data\\x\\app.exe", true},
                                         {L"C:\\Data", L"C:\\DataX", false},
                                         {L"C:\\Data\\x", L"C:\\Data", false},
                                         {L"C:\\", L"C:\\Data", true},
                                         {L"N:\\", L"N:\\Data", false},
                                         {L"C:\\Data", L"\\\\127.0.0.1\\Data", false}}) {
    RegisteredSoftware other = Program(L"C:\\Elsewhere", L"", false, "HKLM|64|Other", "Other");
    RegisteredSoftware inside = Program(c.location, L"", false, "HKLM|64|Inside", "Inside");
    const OtherPrograms others(Program(), {other, inside}, {});
    EXPECT_EQ(others.HasLocationAtOrInside(c.path), c.holds) << c.path << c.location;
  }
}

// What another registered program may need, item by item: folders by its
// locations and names, shortcuts by their target; the program's own key in
// the other view counts only by its location.
TEST(ResidualDiscovery, WithholdsWhatAnotherProgramMayNeed) {
  const RegisteredSoftware scanned = Program();
  RegisteredSoftware ownKey = scanned;
  ownKey.id = "HKCU|32|QuilloryNotes";
  const RegisteredSoftware player =
      Program(L"{PF}\\Inkwell", L"{PF}\\Inkwell\\ink.exe", false, "HKLM|64|Ink", "Quillory Notes Player");
  const RegisteredSoftware wide = Program(L"{PF}", L"", false, "HKLM|64|Wide", "Wide Spread");
  const RegisteredSoftware relative = Program(L"Somewhere\\Else", L"", false, "HKLM|64|Rel", "Relative Place");
  // A folder, or with a target a shortcut on the desktop.
  const auto item = [](const std::wstring& path, std::string_view label, const std::wstring& target = L"") {
    ResidualItem made;
    made.path = Utf16ToUtf8(Expand(path));
    made.targetPath = Utf16ToUtf8(Expand(target));
    made.kind = !target.empty() ? "shortcut" : label == kLabelRegisteredInstall ? "program" : "personal";
    made.label = label;
    return made;
  };
  const auto link = [&](const std::wstring& target) { return item(L"{L}\\Q.lnk", kLabelUserDesktop, target); };
  struct Case {
    const char* name;
    RegisteredSoftware other;
    ResidualItem item;
    bool mayNeed;
  };
  const std::vector<Case> cases = {
      {"a data folder named like another program", player, item(L"{L}\\Quillory Notes", kLabelLocalAppData), true},
      {"the install folder is not judged by name", player, item(L"{PF}\\Quillory", kLabelRegisteredInstall), false},
      {"a data folder no other program is named", player, item(L"{L}\\Quillory Cache", kLabelLocalAppData), false},
      {"the own key names nothing", ownKey, item(L"{L}\\Quillory Notes", kLabelLocalAppData), false},
      {"the own key's location still counts", ownKey, item(L"{PF}\\Quillory", kLabelRegisteredInstall), true},
      {"an unreadable location keeps folders", relative, item(L"{L}\\Quillory", kLabelLocalAppData), true},
      {"an unreadable location keeps no shortcut", relative, link(kExe), false},
      {"a shortcut to another's executable", player, link(L"{PF}\\Inkwell\\ink.exe"), true},
      {"a shortcut into another's folder", player, link(L"{PF}\\Inkwell\\x\\y.exe"), true},
      {"a shortcut to the own key's executable", ownKey, link(kExe), false},
      {"a protected location holds no shortcut", wide, link(kExe), false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(OtherPrograms(scanned, {scanned, c.other}, {}).MayNeed(c.item), c.mayNeed) << c.name;
  }
  EXPECT_TRUE(OtherPrograms(scanned, {scanned, player}, {}).NamesExecutable(Expand(L"{PF}\\inkwell\\INK.exe")));
  EXPECT_FALSE(OtherPrograms(scanned, {scanned, ownKey}, {}).NamesExecutable(Expand(kExe)));
}

}  // namespace
}  // namespace nubo
