#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <string>
#include <vector>

#include "maintenance/software/file_identity.h"
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

// "{X}" names a folder of the prefix; a node ending in "\" is a folder,
// "a>b" a shortcut a to b, "a=text" a file holding text.
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

// Takes away what a world made, deepest first; folders that were there stay.
struct MadeNodes {
  std::vector<std::wstring> paths;
  ~MadeNodes() {
    for (auto it = paths.rbegin(); it != paths.rend(); ++it) {
      if (it->back() == L'\\') testing::RemoveTree(it->substr(0, it->size() - 1));
      else DeleteFileW(it->c_str());
    }
  }
  void Make(const std::wstring& node) {
    const size_t link = node.find(L'>'), text = node.find(L'=');
    if (node.back() == L'\\') {
      if (!CreateDirectoryW(node.c_str(), nullptr)) return;
    } else if (link != std::wstring::npos) {
      testing::CreateShortcut(node.substr(0, link), node.substr(link + 1));
    } else {
      testing::WriteWholeFile(node.substr(0, text), Utf16ToUtf8(node.substr(text + 1)));
    }
    paths.push_back(node.substr(0, std::min(link, text)));
  }
};

struct Program {
  std::string id = "HKCU|64|QuilloryNotes", name = "Quillory Notes", publisher = "Vexmoor Labs";
  std::wstring install = L"{PF}\\Quillory", exe = L"{PF}\\Quillory\\Quillory.exe";
  bool inferred = false;
  RegisteredSoftware Record() const {
    RegisteredSoftware record;
    record.id = id;
    record.displayName = name;
    record.publisher = publisher;
    record.installLocation = Utf16ToUtf8(Expand(install));
    record.installLocationInferred = inferred;
    record.mainExecutablePath = Expand(exe);
    return record;
  }
};

constexpr uint64_t kLinkSize = ~0ull;  // the shortcut file's own size
struct Want {
  std::wstring path, target;
  std::string_view label, kind, evidence, confidence;
  uint64_t size;
  uint32_t count;
  bool selected, personal;
};
Want Link(std::wstring path, std::string_view label, std::wstring target = L"{PF}\\Quillory\\Quillory.exe") {
  return {path, target, label, "shortcut", kEvidenceShortcutTarget, "high", kLinkSize, 1, true, false};
}

struct World {
  const char* name;
  std::vector<std::wstring> nodes;
  Program program;
  std::vector<Program> others;
  std::vector<Want> items;
  std::vector<std::string_view> warnings;
  bool truncated = false;
  size_t taken = 0;  // when set: that many of the items, in any order
};

std::string Text(const ResidualItem& i) {
  return i.path + "|" + i.targetPath + "|" + i.label + "|" + i.kind + "|" + i.evidence + "|" + i.confidence + "|" +
         std::to_string(i.sizeBytes) + "|" + std::to_string(i.itemCount) + "|" + std::to_string(i.sizeTruncated) +
         std::to_string(i.defaultSelected) + std::to_string(i.personalData);
}

const std::vector<std::wstring> kProgramFolder = {L"{PF}\\Quillory\\", L"{PF}\\Quillory\\Quillory.exe=MZ"};
std::vector<std::wstring> With(std::vector<std::wstring> nodes, const std::vector<std::wstring>& more) {
  nodes.insert(nodes.end(), more.begin(), more.end());
  return nodes;
}
World ManyShortcuts(const char* name, int count, size_t taken, std::vector<std::string_view> warnings) {
  World world{name, With(kProgramFolder, {L"{P}\\Many\\"}), {.install = L""}, {}, {}, warnings, !warnings.empty(), taken};
  for (int n = 0; n < count; ++n) {
    const std::wstring link = L"{P}\\Many\\Link " + std::to_wstring(n) + L".lnk";
    world.nodes.push_back(link + L">{PF}\\Quillory\\Quillory.exe");
    world.items.push_back(Link(link, kLabelUserStartMenu));
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
  const Want install = {L"{PF}\\Quillory", L"", kLabelRegisteredInstall, "program", kEvidenceRegisteredInstall,
                        "high", 2, 2, false, false};
  const std::wstring deepLink = Deep(6) + L"Quillory.lnk";
  const std::vector<World> worlds = {
      {"every place in its order",
       With(kProgramFolder,
            {L"{PF}\\Quillory\\manual.txt=abc", L"{P}\\Vexmoor\\", L"{P}\\Vexmoor\\Quillory.lnk>{PF}\\Quillory\\Quillory.exe",
             L"{CP}\\Manual.lnk>{PF}\\Quillory\\manual.txt", L"{D}\\Quillory Notes.lnk>{PF}\\Quillory\\Quillory.exe",
             L"{D}\\Other.lnk>{F}\\real\\dir\\file.txt", L"{D}\\Gone.lnk>{PF}\\Quillory\\gone.exe", L"{L}\\Notes\\",
             L"{S}\\Quillory Notes\\", L"{S}\\Quillory Notes\\settings.ini=12345", L"{R}\\Vexmoor Labs\\",
             L"{R}\\Vexmoor Labs\\Quillory\\", L"{R}\\Vexmoor Labs\\Quillory\\cache.bin=1234567"}),
       {},
       {},
       {Link(L"{P}\\Vexmoor\\Quillory.lnk", kLabelUserStartMenu),
        Link(L"{CP}\\Manual.lnk", kLabelCommonStartMenu, L"{PF}\\Quillory\\manual.txt"),
        Link(L"{D}\\Quillory Notes.lnk", kLabelUserDesktop),
        {L"{PF}\\Quillory", L"", kLabelRegisteredInstall, "program", kEvidenceRegisteredInstall, "high", 5, 3, false,
         false},
        {L"{L}\\Notes", L"", kLabelLocalAppData, "personal", "与卸载注册名称精确匹配（名称片段）；限定目录精确命中",
         "medium", 0, 1, false, true},
        {L"{S}\\Quillory Notes", L"", kLabelProgramData, "personal", "与卸载注册名称精确匹配；限定目录精确命中", "high",
         5, 2, false, true},
        {L"{R}\\Vexmoor Labs\\Quillory", L"", kLabelPublisherRoaming, "personal",
         "与卸载注册名称精确匹配（名称片段）；发布者目录下精确命中", "medium", 7, 2, false, true}},
       {}},
      {"inferred install folder outside Program Files",
       {L"{F}\\Quillory\\", L"{F}\\Quillory\\Quillory.exe=MZ", L"{PD}\\Quillory Notes.lnk>{F}\\Quillory\\Quillory.exe",
        L"{H}\\.Quillory\\", L"{L}\\Programs\\", L"{L}\\Programs\\Quillory Notes\\"},
       {.install = L"{F}\\Quillory", .exe = L"{F}\\Quillory\\Quillory.exe", .inferred = true},
       {},
       {Link(L"{PD}\\Quillory Notes.lnk", kLabelPublicDesktop, L"{F}\\Quillory\\Quillory.exe"),
        {L"{F}\\Quillory", L"", kLabelInferredInstall, "program", kEvidenceInferredInstall, "medium", 2, 2, false,
         false},
        {L"{H}\\.Quillory", L"", kLabelProfile, "personal", "与卸载注册名称精确匹配（名称片段）；限定目录精确命中",
         "medium", 0, 1, false, true},
        {L"{L}\\Programs\\Quillory Notes", L"", kLabelUserPrograms, "program",
         "与卸载注册名称精确匹配；限定目录精确命中", "high", 0, 1, false, false}},
       {}},
      {"quoted install folder in the user's programs is listed once",
       {L"{L}\\Programs\\", L"{L}\\Programs\\Quillory\\", L"{L}\\Programs\\Quillory\\Quillory.exe=MZ"},
       {.install = L"\"{L}\\Programs\\Quillory\\\"", .exe = L"{L}\\Programs\\Quillory\\Quillory.exe"},
       {},
       {{L"{L}\\Programs\\Quillory", L"", kLabelRegisteredInstall, "program", kEvidenceRegisteredInstall, "high", 2, 2,
         false, false}},
       {}},
      {"a second program inside the install folder",
       With(kProgramFolder,
            {L"{PF}\\Quillory\\inkwell.exe=MZ", L"{D}\\Quillory Notes.lnk>{PF}\\Quillory\\Quillory.exe"}),
       {},
       {{.id = "HKLM|64|Inkwell", .name = "Inkwell", .install = L"", .exe = L"{PF}\\Quillory\\inkwell.exe"}},
       {Link(L"{D}\\Quillory Notes.lnk", kLabelUserDesktop)},
       {kWarnInstallShared}},
      {"the same program in the other registry view",
       {L"{L}\\Programs\\", L"{L}\\Programs\\Quillory\\", L"{L}\\Programs\\Quillory\\Quillory.exe=MZ",
        L"{D}\\Quillory Notes.lnk>{L}\\Programs\\Quillory\\Quillory.exe"},
       {.id = "HKLM|64|QuilloryNotes", .install = L"{L}\\Programs\\Quillory",
        .exe = L"{L}\\Programs\\Quillory\\Quillory.exe"},
       {{.id = "HKLM|32|QuilloryNotes", .install = L"{L}\\Programs\\Quillory",
         .exe = L"{L}\\Programs\\Quillory\\Quillory.exe"}},
       {Link(L"{D}\\Quillory Notes.lnk", kLabelUserDesktop, L"{L}\\Programs\\Quillory\\Quillory.exe")},
       {kWarnSharedFolder, kWarnInstallShared}},
      {"install folder named otherwise",
       {L"{PF}\\Gadgetry\\", L"{PF}\\Gadgetry\\Quillory.exe=MZ", L"{D}\\Quillory Notes.lnk>{PF}\\Gadgetry\\Quillory.exe"},
       {.install = L"{PF}\\Gadgetry", .exe = L"{PF}\\Gadgetry\\Quillory.exe"},
       {},
       {Link(L"{D}\\Quillory Notes.lnk", kLabelUserDesktop, L"{PF}\\Gadgetry\\Quillory.exe")},
       {kWarnInstallUnverified}},
      {"shortcut to a share", {L"{D}\\Quillory Notes.lnk>\\\\127.0.0.1\\share\\Quillory.exe"}, {}, {}, {},
       {kWarnShortcutTarget}, true},
      {"shortcut to the network drive", {L"{D}\\Quillory Notes.lnk>N:\\Quillory.exe"}, {}, {}, {},
       {kWarnShortcutTarget}, true},
      {"start menu six levels deep is searched, seven not",
       With(kProgramFolder, {Deep(1), Deep(2), Deep(3), Deep(4), Deep(5), Deep(6),
                             deepLink + L">{PF}\\Quillory\\Quillory.exe", Deep(7),
                             Deep(7) + L"Quillory Notes.lnk>{PF}\\Quillory\\Quillory.exe"}),
       {},
       {},
       {Link(deepLink, kLabelUserStartMenu), install},
       {kWarnShortcutDepth},
       true},
      {"drive root as install folder", {}, {.install = L"C:\\", .exe = L""}, {}, {}, {kWarnInstallUnverified}},
      {"Program Files as install folder", {},
       {.id = "HKCU|64|ProgramFiles", .name = "Program Files", .publisher = "", .install = L"{PF}", .exe = L""}, {},
       {}, {}},
      {"a known folder named like the product", {},
       {.id = "HKCU|64|DesktopPal", .name = "Desktop Pal", .publisher = "", .install = L"", .exe = L""}, {}, {}, {}},
      ManyShortcuts("39 shortcuts", 39, 39, {}),
      ManyShortcuts("41 shortcuts", 41, 40, {kWarnDisplayLimit}),
  };
  for (const World& world : worlds) {
    SCOPED_TRACE(world.name);
    MadeNodes made;
    for (const std::wstring& node : world.nodes) made.Make(Expand(node));
    std::vector<RegisteredSoftware> installed = {world.program.Record()};
    for (const Program& other : world.others) installed.push_back(other.Record());
    ScanBudget budget(nullptr, [] { return uint64_t{0}; });
    const std::vector<ResidualItem> items = BuildResidualCandidates(installed[0], installed, budget);

    std::vector<std::string> got, want;
    for (const ResidualItem& item : items) {
      got.push_back(Text(item));
      EXPECT_EQ(item.identity, GetFileIdentity(Utf8ToUtf16(item.path))) << item.path;
      EXPECT_FALSE(item.identity.empty()) << item.path;
    }
    for (const Want& w : world.items) {
      const std::wstring path = Expand(w.path);
      want.push_back(Text({Utf16ToUtf8(path), Utf16ToUtf8(Expand(w.target)), std::string(w.label),
                           std::string(w.kind), std::string(w.evidence), std::string(w.confidence),
                           w.size == kLinkSize ? FileSizeOrZero(path) : w.size, w.count, false, w.selected,
                           w.personal, {}}));
    }
    if (world.taken != 0) {
      std::sort(got.begin(), got.end());
      std::sort(want.begin(), want.end());
      EXPECT_EQ(got.size(), world.taken);
      EXPECT_TRUE(std::includes(want.begin(), want.end(), got.begin(), got.end()));
    } else {
      EXPECT_EQ(got, want);
    }
    EXPECT_EQ(budget.warnings, std::vector<std::string>(world.warnings.begin(), world.warnings.end()));
    EXPECT_EQ(budget.truncated, world.truncated);
  }
}

}  // namespace
}  // namespace nubo
