#include <gtest/gtest.h>
#include <windows.h>

#include <stdexcept>

#include "store/app_folder.h"
#include "store/file_utils.h"
#include "tests/support/temp_dir.h"

namespace nubo {
namespace {

using nubo::testing::ListFolder;
using nubo::testing::ReadWholeFile;
using nubo::testing::TempDir;
using nubo::testing::WriteWholeFile;

class AppFolderMigration : public ::testing::Test {
 protected:
  std::wstring Legacy() const { return root_.file(L"NuboDesktopPet"); }
  std::wstring Current() const { return root_.file(L"CuteTavuDesktopPet"); }
  void PutLegacy(const std::wstring& name, const std::string& bytes) {
    EnsureDirectory(Legacy());
    WriteWholeFile(JoinPath(Legacy(), name), bytes);
  }
  void PutCurrent(const std::wstring& name, const std::string& bytes) {
    EnsureDirectory(Current());
    WriteWholeFile(JoinPath(Current(), name), bytes);
  }
  std::wstring Resolve() { return ResolveAppDataDirectoryUnder(root_.path()); }

  TempDir root_;
};

TEST_F(AppFolderMigration, CreatesTheFolderWhenNothingExists) {
  EXPECT_EQ(Resolve(), Current());
  EXPECT_EQ(ListFolder(root_.path()), L"CuteTavuDesktopPet");
  EXPECT_EQ(ListFolder(Current()), L"");
}

TEST_F(AppFolderMigration, CopiesLegacyDatabaseWalAndMarker) {
  PutLegacy(L"nubo.db", "db");
  PutLegacy(L"nubo.db-wal", "wal");
  PutLegacy(L"onboarding.complete", "marker");
  Resolve();
  EXPECT_EQ(ListFolder(Current()), L"onboarding.complete,tavu.db,tavu.db-wal");
  EXPECT_EQ(ReadWholeFile(JoinPath(Current(), L"tavu.db")), "db");
  EXPECT_EQ(ReadWholeFile(JoinPath(Current(), L"tavu.db-wal")), "wal");
  EXPECT_EQ(ReadWholeFile(JoinPath(Current(), L"onboarding.complete")), "marker");
  // The legacy folder is left as it was.
  EXPECT_EQ(ListFolder(Legacy()), L"nubo.db,nubo.db-wal,onboarding.complete");
}

TEST_F(AppFolderMigration, ExistingDatabaseIsNeverReplacedNorItsWalFilledIn) {
  PutCurrent(L"tavu.db", "mine");
  PutLegacy(L"nubo.db", "legacy");
  PutLegacy(L"nubo.db-wal", "legacy-wal");
  Resolve();
  EXPECT_EQ(ReadWholeFile(JoinPath(Current(), L"tavu.db")), "mine");
  EXPECT_FALSE(FileExists(JoinPath(Current(), L"tavu.db-wal")));
}

TEST_F(AppFolderMigration, DatabaseWithoutWalCopiesOnlyTheDatabase) {
  PutLegacy(L"nubo.db", "db");
  Resolve();
  EXPECT_EQ(ListFolder(Current()), L"tavu.db");
}

TEST_F(AppFolderMigration, WalAloneIsNotCopied) {
  PutLegacy(L"nubo.db-wal", "wal");
  Resolve();
  EXPECT_EQ(ListFolder(Current()), L"");
}

TEST_F(AppFolderMigration, MarkerIsCopiedWheneverMissingAndNeverOverwritten) {
  PutCurrent(L"tavu.db", "mine");
  PutLegacy(L"onboarding.complete", "legacy");
  Resolve();
  EXPECT_EQ(ReadWholeFile(JoinPath(Current(), L"onboarding.complete")), "legacy");

  WriteWholeFile(JoinPath(Current(), L"onboarding.complete"), "mine");
  Resolve();
  EXPECT_EQ(ReadWholeFile(JoinPath(Current(), L"onboarding.complete")), "mine");
}

TEST_F(AppFolderMigration, FolderNameTakenByAFileIsRefused) {
  WriteWholeFile(Current(), "not a folder");
  try {
    Resolve();
    FAIL() << "expected a failure";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "The application directory path is not valid.");
  }
}

TEST(AppFolder, ResolvesUnderLocalAppData) {
  const std::wstring folder = ResolveAppDataDirectory();
  EXPECT_TRUE(GetFileAttributesW(folder.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(folder.substr(folder.size() - 19), L"\\CuteTavuDesktopPet");
}

TEST(AppFolder, ExecutableDirectoryHoldsThisProgram) {
  const std::wstring folder = GetExecutableDirectory();
  ASSERT_FALSE(folder.empty());
  EXPECT_NE(folder.back(), L'\\');
  EXPECT_TRUE(FileExists(JoinPath(folder, L"store_tests.exe")));
}

}  // namespace
}  // namespace nubo
