#include <gtest/gtest.h>
#include <sqlite3.h>
#include <windows.h>

#include <map>
#include <stdexcept>
#include <vector>

#include "store/app_folder.h"
#include "store/file_utils.h"
#include "store/reminder_store.h"
#include "store/sqlite_handles.h"
#include "store/text_convert.h"
#include "tests/support/case_name.h"
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

// A database whose reminders sit in its journal, as a session that was never
// checkpointed leaves it: the journal stays beside the database.
void WriteJournaledDatabase(const std::wstring& path, const std::string& titlePrefix, size_t count) {
  { ReminderStore().Open(path); }
  SqliteConnection db;
  ASSERT_EQ(sqlite3_open_v2(Utf16ToUtf8(path).c_str(), db.out(), SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
  sqlite3_db_config(db.get(), SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
  const std::string sql =
      "PRAGMA wal_autocheckpoint=0; INSERT INTO reminders(title, due_at, created_at) WITH RECURSIVE "
      "n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " + std::to_string(count) +
      ") SELECT '" + titlePrefix + "' || i || printf('%.100c', '.'), 1900000000000, 0 FROM n;";
  ASSERT_EQ(sqlite3_exec(db.get(), sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
}

enum class Bytes { kLegacyDatabase, kLegacyWal, kCrashedWal, kNone };
struct LeftFile {
  const wchar_t* name;
  Bytes bytes;
  bool half = false;
};
struct InterruptionCase {
  const char* name;
  std::vector<LeftFile> left;  // in the application folder
};

class InterruptedMigration : public AppFolderMigration,
                             public ::testing::WithParamInterface<InterruptionCase> {};

TEST_P(InterruptedMigration, TheNextStartHasEveryLegacyReminder) {
  constexpr size_t kLegacyCount = 120;
  EnsureDirectory(Legacy());
  EnsureDirectory(Current());
  WriteJournaledDatabase(JoinPath(Legacy(), L"nubo.db"), "legacy ", kLegacyCount);
  WriteJournaledDatabase(root_.file(L"crashed.db"), "crashed ", 3);
  const std::map<Bytes, std::string> bytes = {{Bytes::kLegacyDatabase, ReadWholeFile(JoinPath(Legacy(), L"nubo.db"))},
                                              {Bytes::kLegacyWal, ReadWholeFile(JoinPath(Legacy(), L"nubo.db-wal"))},
                                              {Bytes::kCrashedWal, ReadWholeFile(root_.file(L"crashed.db-wal"))},
                                              {Bytes::kNone, ""}};
  ASSERT_GT(bytes.at(Bytes::kLegacyWal).size(), bytes.at(Bytes::kLegacyDatabase).size());
  const std::wstring legacyListing = ListFolder(Legacy());
  for (const LeftFile& file : GetParam().left) {
    const std::string& whole = bytes.at(file.bytes);
    WriteWholeFile(JoinPath(Current(), file.name), file.half ? whole.substr(0, whole.size() / 2) : whole);
  }

  Resolve();
  ReminderStore store;
  store.Open(JoinPath(Current(), L"tavu.db"));
  const std::vector<Reminder> reminders = store.ListOpenReminders();
  EXPECT_EQ(reminders.size(), kLegacyCount);
  for (const Reminder& reminder : reminders) EXPECT_EQ(reminder.title.rfind("legacy ", 0), 0u) << reminder.title;
  EXPECT_EQ(ListFolder(Legacy()), legacyListing);
  EXPECT_EQ(ReadWholeFile(JoinPath(Legacy(), L"nubo.db")), bytes.at(Bytes::kLegacyDatabase));
  EXPECT_EQ(ReadWholeFile(JoinPath(Legacy(), L"nubo.db-wal")), bytes.at(Bytes::kLegacyWal));
}

INSTANTIATE_TEST_SUITE_P(
    AppFolderMigration, InterruptedMigration,
    ::testing::Values(
        InterruptionCase{"half_database", {{L"tavu.db.migrating", Bytes::kLegacyDatabase, true}}},
        InterruptionCase{"half_journal",
                         {{L"tavu.db.migrating", Bytes::kLegacyDatabase},
                          {L"tavu.db-wal.migrating", Bytes::kLegacyWal, true}}},
        InterruptionCase{"zero_length_database", {{L"tavu.db", Bytes::kNone}}},
        // A crashed session's journal without its database (one set aside before).
        InterruptionCase{"stale_journal_without_database",
                         {{L"tavu.db-wal", Bytes::kCrashedWal}, {L"tavu.db-wal.stale-1", Bytes::kNone}}}),
    testing::CaseName());

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
