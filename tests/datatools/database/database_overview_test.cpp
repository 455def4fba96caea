#include <gtest/gtest.h>
#include <windows.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "datatools/database/database_connection.h"
#include "datatools/database/database_overview.h"
#include "datatools/database/database_json.h"
#include "store/text_convert.h"
#include "tests/datatools/database/database_test_helpers.h"
#include "tests/support/failure_text.h"
#include "tests/support/temp_dir.h"
#include "ui_bridge/messages.h"

namespace nubo {
namespace {

using nubo::testing::FailureText;
using nubo::testing::FileSha256;
using nubo::testing::ListFolder;
using nubo::testing::ReadWholeFile;
using nubo::testing::RunSqlOnFile;
using nubo::testing::TempDir;
using nubo::testing::WriteWholeFile;

std::vector<std::string> TypeAndNames(const DatabaseOverview& overview) {
  std::vector<std::string> listed;
  for (const auto& object : overview.objects) listed.push_back(object.type + ":" + object.name);
  return listed;
}

const DatabaseObject& Find(const DatabaseOverview& overview, const std::string& name) {
  for (const auto& object : overview.objects) {
    if (object.name == name) return object;
  }
  throw std::runtime_error("object not listed: " + name);
}

TEST(DatabaseOverview, ListsTablesViewsIndexesTriggersEachByNameIgnoringCase) {
  TempDir dir;
  const std::wstring path = dir.file(L"shop.db");
  RunSqlOnFile(path,
               "CREATE TABLE zeta (z);"
               "CREATE TABLE Beta (b UNIQUE);"  // adds an internal autoindex
               "CREATE TABLE alpha (id INTEGER PRIMARY KEY AUTOINCREMENT, a);"  // adds sqlite_sequence
               "CREATE TABLE _under (u);"
               "CREATE TABLE SQLiteData (s);"  // looks internal to a bare LIKE 'sqlite_%'
               "CREATE VIEW v_alpha AS SELECT a FROM alpha;"
               "CREATE VIEW A_view AS SELECT z FROM zeta;"
               "CREATE INDEX idx_zeta ON zeta(z);"
               "CREATE INDEX IDX_alpha ON alpha(a);"
               "CREATE TRIGGER trg_alpha AFTER INSERT ON alpha BEGIN SELECT 1; END;");
  const DatabaseOverview overview = OpenDatabaseAndReadOverview(path);
  EXPECT_EQ(TypeAndNames(overview),
            (std::vector<std::string>{"table:_under", "table:alpha", "table:Beta", "table:SQLiteData",
                                      "table:zeta",
                                      "view:A_view", "view:v_alpha", "index:IDX_alpha",
                                      "index:idx_zeta", "trigger:trg_alpha"}));
  const DatabaseObject& index = Find(overview, "idx_zeta");
  EXPECT_EQ(index.tableName, "zeta");
  EXPECT_EQ(index.sql, "CREATE INDEX idx_zeta ON zeta(z)");
  EXPECT_TRUE(index.columns.empty());
  EXPECT_TRUE(Find(overview, "trg_alpha").columns.empty());
  ASSERT_EQ(Find(overview, "v_alpha").columns.size(), 1u);
  EXPECT_EQ(Find(overview, "v_alpha").columns[0].name, "a");
}

TEST(DatabaseOverview, ReadsColumnsOfNamesHoldingDoubleQuotes) {
  TempDir dir;
  const std::wstring path = dir.file(L"quotes.db");
  RunSqlOnFile(path,
               "CREATE TABLE \"say \"\"hi\"\"\" (id INTEGER PRIMARY KEY, "
               "\"na\"\"me\" TEXT NOT NULL DEFAULT 'x', price REAL DEFAULT 2.5, note);");
  const DatabaseOverview overview = OpenDatabaseAndReadOverview(path);
  ASSERT_EQ(overview.objects.size(), 1u);
  const DatabaseObject& table = overview.objects[0];
  EXPECT_EQ(table.name, "say \"hi\"");
  ASSERT_EQ(table.columns.size(), 4u);
  EXPECT_EQ(table.columns[0].name, "id");
  EXPECT_EQ(table.columns[0].type, "INTEGER");
  EXPECT_TRUE(table.columns[0].primaryKey);
  EXPECT_FALSE(table.columns[0].notNull);
  EXPECT_EQ(table.columns[1].name, "na\"me");
  EXPECT_TRUE(table.columns[1].notNull);
  EXPECT_EQ(table.columns[1].defaultValue, "'x'");
  EXPECT_EQ(table.columns[2].defaultValue, "2.5");
  EXPECT_EQ(table.columns[3].type, "");
  EXPECT_EQ(table.columns[3].defaultValue, "");  // NULL default
}

TEST(DatabaseOverview, ReadsFileFactsAndPragmas) {
  TempDir dir;
  const std::wstring path = dir.file(L"facts.sqlite");
  RunSqlOnFile(path, "PRAGMA page_size = 8192; CREATE TABLE t (a); PRAGMA user_version = 42;");
  const DatabaseOverview overview = OpenDatabaseAndReadOverview(path);
  EXPECT_EQ(overview.path, Utf16ToUtf8(path));
  EXPECT_EQ(overview.fileName, "facts.sqlite");
  EXPECT_EQ(overview.fileSizeBytes, ReadWholeFile(path).size());
  EXPECT_EQ(overview.pageSize, 8192);
  EXPECT_EQ(overview.pageCount, 2);
  EXPECT_EQ(static_cast<int64_t>(overview.fileSizeBytes), overview.pageSize * overview.pageCount);
  EXPECT_EQ(overview.userVersion, 42);
  EXPECT_EQ(overview.journalMode, "delete");

  const std::wstring wal = dir.file(L"wal.db");
  RunSqlOnFile(wal, "PRAGMA journal_mode = WAL; CREATE TABLE t (a);");
  EXPECT_EQ(OpenDatabaseAndReadOverview(wal).journalMode, "wal");
}

TEST(DatabaseOverview, OpeningReadsWithoutChangingAnything) {
  TempDir dir;
  const std::wstring path = dir.file(L"keep.db");
  RunSqlOnFile(path, "CREATE TABLE t (a); INSERT INTO t VALUES (1);");
  const std::string before = FileSha256(path);
  OpenDatabaseAndReadOverview(path);
  EXPECT_EQ(FileSha256(path), before);
  EXPECT_EQ(ListFolder(dir.path()), L"keep.db");

  const std::wstring wal = dir.file(L"wal.db");
  RunSqlOnFile(wal, "PRAGMA journal_mode = WAL; CREATE TABLE t (a); INSERT INTO t VALUES (1);");
  const std::string walBefore = FileSha256(wal);
  OpenDatabaseAndReadOverview(wal);
  EXPECT_EQ(FileSha256(wal), walBefore);
  // A WAL reader needs the shared-memory index; SQLite leaves it and an
  // empty log beside the file, with nothing written into them.
  EXPECT_EQ(ListFolder(dir.path()), L"keep.db,wal.db,wal.db-shm,wal.db-wal");
  EXPECT_EQ(ReadWholeFile(dir.file(L"wal.db-wal")), "");
}

TEST(DatabaseOverview, CreatingMakesAnEmptyDatabaseAndKeepsAnExistingOne) {
  TempDir dir;
  const std::wstring path = dir.file(L"new.db");
  const DatabaseOverview created = CreateDatabaseAndReadOverview(path);
  EXPECT_TRUE(created.objects.empty());
  EXPECT_EQ(created.fileName, "new.db");
  EXPECT_EQ(ListFolder(dir.path()), L"new.db");

  RunSqlOnFile(path, "CREATE TABLE kept (a);");
  ASSERT_EQ(CreateDatabaseAndReadOverview(path).objects.size(), 1u);
  EXPECT_EQ(CreateDatabaseAndReadOverview(path).objects[0].name, "kept");
}

TEST(DatabaseOverview, RefusesMissingPathsFoldersAndNonDatabases) {
  TempDir dir;
  EXPECT_EQ(FailureText([] { CreateDatabaseAndReadOverview(L""); }), "数据库路径不能为空。");
  EXPECT_EQ(FailureText([] { OpenDatabaseAndReadOverview(L""); }), "请先选择 SQLite 数据库。");
  EXPECT_EQ(FailureText([&] { OpenDatabaseAndReadOverview(dir.file(L"absent.db")); }),
            "选择的数据库文件不存在或不是普通文件。");
  EXPECT_EQ(FailureText([&] { OpenDatabaseAndReadOverview(dir.path()); }),
            "选择的数据库文件不存在或不是普通文件。");
  EXPECT_EQ(ListFolder(dir.path()), L"");

  const std::wstring text = dir.file(L"notes.txt");
  WriteWholeFile(text, std::string(4096, 'n'));
  EXPECT_EQ(FailureText([&] { OpenDatabaseAndReadOverview(text); }),
            "无法读取数据库结构: file is not a database");
  EXPECT_EQ(FailureText([&] { CreateDatabaseAndReadOverview(dir.file(L"no\\such\\folder.db")); }),
            "无法打开 SQLite 数据库: unable to open database file");
}

TEST(DatabaseOverview, IllFormedUtf8BecomesReplacementCharacters) {
  TempDir dir;
  const std::wstring path = dir.file(L"latin1.db");
  RunSqlOnFile(path, "CREATE TABLE \"caf\xE9\" (\"pr\xEDx\" TEXT DEFAULT 'n\xE3o');");
  const DatabaseOverview overview = OpenDatabaseAndReadOverview(path);
  ASSERT_EQ(overview.objects.size(), 1u);
  const DatabaseObject& table = overview.objects[0];
  EXPECT_EQ(table.name, "caf\xEF\xBF\xBD");
  EXPECT_EQ(table.tableName, "caf\xEF\xBF\xBD");
  EXPECT_EQ(table.sql, "CREATE TABLE \"caf\xEF\xBF\xBD\" (\"pr\xEF\xBF\xBDx\" TEXT DEFAULT 'n\xEF\xBF\xBDo')");
  ASSERT_EQ(table.columns.size(), 1u);  // found under its stored name
  EXPECT_EQ(table.columns[0].name, "pr\xEF\xBF\xBDx");
  EXPECT_EQ(table.columns[0].defaultValue, "'n\xEF\xBF\xBDo'");
  EXPECT_NO_THROW(SerializeMessage(DatabaseOverviewToJson(overview)));
}

TEST(QuoteSqlIdentifier, DoublesEveryQuote) {
  EXPECT_EQ(QuoteSqlIdentifier("plain"), "\"plain\"");
  EXPECT_EQ(QuoteSqlIdentifier("a\"b\"\""), "\"a\"\"b\"\"\"\"\"");
  EXPECT_EQ(QuoteSqlIdentifier(""), "\"\"");
}

TEST(ReadTableColumns, UnknownTableGivesNoColumns) {
  TempDir dir;
  const std::wstring path = dir.file(L"t.db");
  RunSqlOnFile(path, "CREATE TABLE t (a);");
  SqliteConnection connection = OpenSqliteDatabase(path, kOpenReadOnly);
  EXPECT_TRUE(ReadTableColumns(connection.get(), "nosuch").empty());
  EXPECT_EQ(ReadTableColumns(connection.get(), "t").size(), 1u);
}

}  // namespace
}  // namespace nubo
