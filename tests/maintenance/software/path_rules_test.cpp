#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "maintenance/software/path_rules.h"

namespace nubo {
namespace {

TEST(PathRules, TrimCanonicaliseAndNest) {
  struct InOut {
    std::wstring in, out;
  };
  for (const InOut& c : std::vector<InOut>{{L"  \"C:\\Data\\\"  ", L"C:\\Data"},
                                           {L"C:\\", L"C:\\"},
                                           {L"C:\\\\/", L"C:\\"},
                                           {L"C:\\ab\\", L"C:\\ab"},
                                           {L"C:\\a\\", L"C:\\a"},
                                           {L"\"\"", L""},
                                           {L"\"", L"\""},
                                           {L"\" C:\\x \"", L" C:\\x "}}) {
    EXPECT_EQ(TrimPath(c.in), c.out) << c.in;
  }
  for (const InOut& c : std::vector<InOut>{{L"C:\\a\\..\\b\\", L"C:\\b"},
                                           {L"c:/x/./y", L"c:\\x\\y"},
                                           {L"C:\\", L"C:\\"},
                                           {L"", L""},
                                           {L"Example Tool", L""},
                                           {L"\\Example", L""},
                                           {L"C:Example", L""},
                                           {L"C:", L""},
                                           {L"\"C:\\x\"", L""}}) {
    EXPECT_EQ(CanonicalizePath(c.in), c.out) << c.in;
  }
  struct Under {
    std::wstring path, ancestor;
    bool under;
  };
  for (const Under& c : std::vector<Under>{{L"C:\\Data", L"C:\\Data", false},
                                           {L"C:\\DataX", L"C:\\Data", false},
                                           {L"C:\\Data\\x", L"C:\\data\\", true},
                                           {L"C:\\x", L"C:\\", true},
                                           {L"C:\\", L"C:\\", false},
                                           {L"Data\\x", L"Data", false}}) {
    EXPECT_EQ(IsPathUnder(c.path, c.ancestor), c.under) << c.path << L" in " << c.ancestor;
  }
  EXPECT_TRUE(PathsEqual(L"C:\\DATA\\", L"c:\\data"));
  EXPECT_FALSE(PathsEqual(L"Data", L"Data"));
  EXPECT_EQ(ParentDirectory(L"C:\\App.exe"), L"C:");
  EXPECT_EQ(ParentDirectory(L"App.exe"), L"");
  EXPECT_EQ(PathFileName(L" \"C:\\a/b\\\" "), L"b");
  EXPECT_EQ(PathFileName(L"name"), L"name");
}

TEST(PathRules, OnlyDriveLetterPathsOnLocalDisksAreLocal) {
  struct Case {
    std::wstring path;
    bool local;
  };
  for (const Case& c : std::vector<Case>{{L"C:\\windows", true},
                                         {L"c:/windows", true},
                                         {L"C:", false},
                                         {L"C:x", false},
                                         {L"N:\\", false},
                                         {L"Q:\\", false},
                                         {L"\\\\server\\share\\x", false},
                                         {L"\\\\?\\C:\\windows", false},
                                         {L"1:\\", false}}) {
    EXPECT_EQ(IsOnLocalDrive(c.path), c.local) << c.path;
  }
  // One cache across paths of local, remote and missing drives, each asked twice.
  DriveTypeCache drives;
  for (int round = 0; round < 2; ++round) {
    for (const auto& [path, local] :
         {std::pair{L"c:\\x", true}, {L"N:\\x", false}, {L"C:\\x", true}, {L"q:\\", false}}) {
      EXPECT_EQ(IsOnLocalDrive(path, drives), local) << path;
    }
  }
}

TEST(PathRules, ProtectsRootsKnownFoldersTheirAncestorsAndTheWindowsTree) {
  const std::wstring profile = GetKnownFolderPath(FOLDERID_Profile);
  const std::wstring roaming = GetKnownFolderPath(FOLDERID_RoamingAppData);
  const std::wstring local = GetKnownFolderPath(FOLDERID_LocalAppData);
  const std::wstring data = GetKnownFolderPath(FOLDERID_ProgramData);
  const std::wstring programFiles = GetKnownFolderPath(FOLDERID_ProgramFiles);
  const std::wstring windows = GetKnownFolderPath(FOLDERID_Windows);
  ASSERT_FALSE(profile.empty());
  struct Case {
    std::wstring path;
    bool protectedPath;
  };
  const std::vector<Case> cases = {
      {L"C:\\", true},
      {L"", true},
      {L"Example", true},
      {profile, true},
      {ParentDirectory(profile), true},
      {profile + L"\\AppData", true},
      {profile + L"\\AppData\\", true},
      {windows, true},
      {windows + L"\\system32\\drivers", true},
      {windows + L"x", false},
      {data, true},
      {data + L"\\ExampleVendor", false},
      {roaming + L"\\Microsoft", true},
      {roaming + L"\\ExampleTool", false},
      {local + L"\\ExampleTool", false},
      {programFiles + L"\\Example Tool", false},
      {L"C:\\users\\Public", true},
      {GetKnownFolderPath(FOLDERID_ProgramFilesCommon), true},
      {GetKnownFolderPath(FOLDERID_ProgramFilesCommonX86), true},
      {GetKnownFolderPath(FOLDERID_ProgramFilesCommon) + L"\\Example Tool", false},
      {local + L"\\Programs\\Common", true},
      {local + L"\\Programs\\Common\\Example Tool", false},
      {local + L"\\Temp", true},
      {local + L"\\Temp\\Example Tool", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsProtectedLocation(c.path), c.protectedPath) << c.path;
  wchar_t temp[MAX_PATH + 1] = {};
  ASSERT_NE(GetTempPathW(MAX_PATH + 1, temp), 0u);
  EXPECT_TRUE(IsProtectedLocation(temp));

  // Windows' own data: the Microsoft folders of the application data and
  // everything inside them, nothing beside them.
  for (const Case& c : std::vector<Case>{{local + L"\\Microsoft", true},
                                         {local + L"\\microsoft\\Windows\\History", true},
                                         {roaming + L"\\Microsoft\\Protect", true},
                                         {data + L"\\Microsoft\\Crypto", true},
                                         {local + L"\\MicrosoftEdge", false},
                                         {local, false},
                                         {profile + L"\\Microsoft", false}}) {
    EXPECT_EQ(IsWindowsDataLocation(c.path), c.protectedPath) << c.path;
  }

  const KNOWNFOLDERID* folders[] = {
      &FOLDERID_Profile,   &FOLDERID_Desktop,   &FOLDERID_PublicDesktop,  &FOLDERID_Programs,
      &FOLDERID_CommonPrograms, &FOLDERID_ProgramData, &FOLDERID_Documents, &FOLDERID_Downloads,
      &FOLDERID_Pictures,  &FOLDERID_Music,     &FOLDERID_Videos,         &FOLDERID_Favorites,
      &FOLDERID_SavedGames, &FOLDERID_RoamingAppData, &FOLDERID_LocalAppData, &FOLDERID_ProgramFiles,
      &FOLDERID_ProgramFilesX86, &FOLDERID_Windows};
  for (const KNOWNFOLDERID* id : folders) {
    const std::wstring folder = GetKnownFolderPath(*id);
    if (folder.empty()) continue;
    EXPECT_TRUE(IsProtectedLocation(folder)) << folder;
    EXPECT_TRUE(IsProtectedLocation(folder + L"\\")) << folder;
  }
}

}  // namespace
}  // namespace nubo
