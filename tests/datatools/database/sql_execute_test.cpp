#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

#include "datatools/database/database_json.h"
#include "datatools/database/sql_execute.h"
#include "store/text_convert.h"
#include "tests/datatools/database/database_test_helpers.h"
#include "tests/support/case_name.h"
#include "tests/support/failure_text.h"
#include "tests/support/temp_dir.h"
#include "ui_bridge/messages.h"

namespace nubo {
namespace {

using nubo::testing::FileSha256;
using nubo::testing::ListFolder;
using nubo::testing::RunSqlOnFile;
using nubo::testing::TempDir;

using Rows = std::vector<std::vector<std::string>>;

constexpr char kReadOnlyText[] = "当前处于只读模式；如需修改数据库，请先明确启用“允许写入”。";

std::string ExecuteFailure(const std::wstring& path, const std::string& sql, bool allowWrite) {
  return nubo::testing::FailureText([&] { ExecuteDatabaseSql(path, sql, allowWrite); });
}

std::string CountRows(const std::wstring& path, const std::string& table) {
  const SqlExecuteResult result = ExecuteDatabaseSql(path, "SELECT count(*) FROM " + table, false);
  return result.rows.at(0).at(0);
}

// A file with table t of `rows` rows (x = 1..rows).
class SqlExecute : public ::testing::Test {
 protected:
  void Fill(int rows) {
    RunSqlOnFile(path_, "CREATE TABLE t (x INTEGER, label TEXT);"
                        "WITH RECURSIVE c(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM c WHERE n < " +
                            std::to_string(rows) +
                            ") INSERT INTO t SELECT n, 'row ' || n FROM c;");
  }
  TempDir dir_;
  std::wstring path_ = dir_.file(L"data.db");
};

TEST_F(SqlExecute, KeepsOnlyTheLastStatementsResult) {
  Fill(1);
  const SqlExecuteResult result = ExecuteDatabaseSql(path_, "SELECT 1; SELECT 2, 3;", false);
  EXPECT_EQ(result.statementCount, 2);
  EXPECT_EQ(result.columns, (std::vector<std::string>{"2", "3"}));
  EXPECT_EQ(result.rows, (Rows{{"2", "3"}}));
  EXPECT_FALSE(result.truncated);
  EXPECT_FALSE(result.wroteData);
  EXPECT_EQ(result.affectedRows, 0);
  EXPECT_EQ(result.message, "查询完成，返回 1 行。");
}

TEST_F(SqlExecute, FiveHundredRowsAreWholeAndTheNextOneTruncates) {
  Fill(501);
  const SqlExecuteResult whole =
      ExecuteDatabaseSql(path_, "SELECT x, label FROM t WHERE x <= 500 ORDER BY x", false);
  EXPECT_EQ(whole.rows.size(), 500u);
  EXPECT_FALSE(whole.truncated);
  EXPECT_EQ(whole.message, "查询完成，返回 500 行。");
  EXPECT_EQ(whole.rows.back(), (std::vector<std::string>{"500", "row 500"}));

  const SqlExecuteResult cut = ExecuteDatabaseSql(path_, "SELECT x FROM t ORDER BY x", false);
  EXPECT_EQ(cut.rows.size(), 500u);
  EXPECT_TRUE(cut.truncated);
  EXPECT_EQ(cut.message, "查询完成，返回 500 行（结果已截断）。");
}

TEST_F(SqlExecute, ReadingStopsAtTheRowPastTheCap) {
  Fill(1);
  // Endless without the stop at row 501.
  const SqlExecuteResult result = ExecuteDatabaseSql(
      path_, "WITH RECURSIVE c(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM c) SELECT n FROM c;",
      false);
  EXPECT_EQ(result.rows.size(), 500u);
  EXPECT_TRUE(result.truncated);
}

TEST_F(SqlExecute, WritingStatementRunsToItsEndPastTheCap) {
  Fill(600);
  const SqlExecuteResult result =
      ExecuteDatabaseSql(path_, "UPDATE t SET label = 'done' RETURNING x;", true);
  EXPECT_EQ(result.rows.size(), 500u);
  EXPECT_TRUE(result.truncated);
  EXPECT_TRUE(result.wroteData);
  EXPECT_EQ(result.affectedRows, 600);
  EXPECT_EQ(result.message, "查询完成，返回 500 行（结果已截断）。");
  EXPECT_EQ(CountRows(path_, "t WHERE label = 'done'"), "600");

  const SqlExecuteResult exact =
      ExecuteDatabaseSql(path_, "UPDATE t SET label = 'again' WHERE x <= 500 RETURNING x;", true);
  EXPECT_EQ(exact.rows.size(), 500u);
  EXPECT_FALSE(exact.truncated);
  EXPECT_EQ(exact.affectedRows, 500);
}

TEST_F(SqlExecute, FormatsEveryKindOfCell) {
  Fill(1);
  const SqlExecuteResult result = ExecuteDatabaseSql(
      path_,
      "SELECT 2.5, 0.1, 3.0, 1e20, 1.0 / 3, 10, -9223372036854775808, "
      "x'000102030405060708090a0b0c0d0e0f', x'', NULL, 'text', CAST(x'610062' AS TEXT), "
      "CAST(x'ff41' AS TEXT), '中文';",
      false);
  ASSERT_EQ(result.rows.size(), 1u);
  EXPECT_EQ(result.rows[0],
            (std::vector<std::string>{"2.5", "0.1", "3", "1e+20", "0.333333333333333", "10",
                                      "-9223372036854775808", "<BLOB 16 bytes>", "<BLOB 0 bytes>",
                                      "NULL", "text", std::string("a\0b", 3),
                                      "\xEF\xBF\xBD" "A", "中文"}));
  EXPECT_EQ(result.columns[0], "2.5");
  EXPECT_NO_THROW(SerializeMessage(SqlExecuteResultToJson(result)));
}

TEST_F(SqlExecute, IllFormedColumnNamesAreRepaired) {
  RunSqlOnFile(path_, "CREATE TABLE \"n\xE3o\" (\"c\xE9\" TEXT); INSERT INTO \"n\xE3o\" VALUES ('v\xE9');");
  const SqlExecuteResult result = ExecuteDatabaseSql(path_, "SELECT * FROM \"n\xE3o\";", false);
  EXPECT_EQ(result.columns, (std::vector<std::string>{"c\xEF\xBF\xBD"}));
  EXPECT_EQ(result.rows, (Rows{{"v\xEF\xBF\xBD"}}));
  EXPECT_EQ(ExecuteFailure(path_, "SELECT * FROM \"x\xE3\";", false),
            "SQL 解析失败: no such table: x\xEF\xBF\xBD");
}

TEST_F(SqlExecute, ReportsChangesAndTheLastInsertedRow) {
  Fill(3);
  const SqlExecuteResult inserted =
      ExecuteDatabaseSql(path_, "INSERT INTO t VALUES (4, 'four'), (5, 'five');", true);
  EXPECT_EQ(inserted.affectedRows, 2);
  EXPECT_EQ(inserted.lastInsertId, 5);
  EXPECT_TRUE(inserted.columns.empty());
  EXPECT_EQ(inserted.message, "执行完成，影响 2 行。");

  const SqlExecuteResult deleted = ExecuteDatabaseSql(path_, "SELECT 1; DELETE FROM t;", true);
  EXPECT_EQ(deleted.statementCount, 2);
  EXPECT_TRUE(deleted.wroteData);
  EXPECT_EQ(deleted.message, "执行完成，影响 5 行。");
  EXPECT_EQ(CountRows(path_, "t"), "0");
}

TEST_F(SqlExecute, CommentsBlanksAndSizeLimits) {
  Fill(1);
  EXPECT_EQ(ExecuteFailure(path_, "-- only a comment", false), "没有找到可执行的 SQL 语句。");
  EXPECT_EQ(ExecuteFailure(path_, "/* one */ ; ; -- two\n", false), "没有找到可执行的 SQL 语句。");
  EXPECT_EQ(ExecuteFailure(path_, "", false), "请输入要执行的 SQL。");
  EXPECT_EQ(ExecuteFailure(path_, " \t\r\n\v\f", false), "请输入要执行的 SQL。");

  std::string largest = "SELECT 1;";
  largest.resize(262144, ' ');
  EXPECT_EQ(ExecuteDatabaseSql(path_, largest, false).statementCount, 1);
  EXPECT_EQ(ExecuteFailure(path_, largest + " ", false), "单次 SQL 不能超过 256 KB。");
}

TEST_F(SqlExecute, RefusesSqlHoldingANulByte) {
  Fill(2);
  EXPECT_EQ(ExecuteFailure(path_, std::string("SELECT 1;\0DROP TABLE t;", 23), true),
            "SQL 中不能包含 NUL 字符（\\0），请删除后再执行。");
  EXPECT_EQ(ExecuteFailure(path_, std::string("\0", 1), true),
            "SQL 中不能包含 NUL 字符（\\0），请删除后再执行。");
  EXPECT_EQ(CountRows(path_, "t"), "2");
}

TEST_F(SqlExecute, OpenTransactionIsRolledBackAndReported) {
  Fill(3);
  const std::string notCommitted =
      "事务没有提交：执行结束时仍有未结束的事务，其中的修改已全部回滚。请以 COMMIT 结束事务后再执行。";
  EXPECT_EQ(ExecuteFailure(path_, "BEGIN; DELETE FROM t;", true), notCommitted);
  EXPECT_EQ(ExecuteFailure(path_, "SAVEPOINT s; INSERT INTO t VALUES (9, 'x');", true), notCommitted);
  EXPECT_EQ(CountRows(path_, "t"), "3");

  const SqlExecuteResult committed = ExecuteDatabaseSql(path_, "BEGIN; DELETE FROM t; COMMIT;", true);
  EXPECT_EQ(committed.affectedRows, 3);
  EXPECT_EQ(CountRows(path_, "t"), "0");
  // Nothing can be written read-only, so an open read transaction loses nothing.
  EXPECT_EQ(ExecuteDatabaseSql(path_, "BEGIN; SELECT 7;", false).rows, (Rows{{"7"}}));
}

TEST_F(SqlExecute, SqlPastTheTimeLimitIsInterruptedAndRolledBack) {
  Fill(2);
  const std::chrono::milliseconds limit(150);
  const auto failure = [&](const std::string& sql) {
    return nubo::testing::FailureText([&] { ExecuteDatabaseSql(path_, sql, true, limit); });
  };
  const std::string endless = "WITH RECURSIVE c(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM c) ";
  const std::string timedOut = "SQL 执行超过 10 秒，已中止这条语句并撤销它所做的修改。";
  EXPECT_EQ(failure(endless + "SELECT count(*) FROM c;"), timedOut);
  // The interrupted statement leaves no change.
  EXPECT_EQ(failure(endless + "INSERT INTO t SELECT n, 'c' FROM c;"), timedOut);
  EXPECT_EQ(CountRows(path_, "t"), "2");
  // A transaction the request opened is rolled back whole.
  EXPECT_EQ(failure("BEGIN; DELETE FROM t;" + endless + "SELECT count(*) FROM c;"), timedOut);
  EXPECT_EQ(CountRows(path_, "t"), "2");
  // SQL that finishes in time runs whole, however many steps it takes.
  const std::string counted =
      "SELECT x, (WITH RECURSIVE c(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM c LIMIT 20000) "
      "SELECT count(*) FROM c) FROM t;";
  EXPECT_EQ(ExecuteDatabaseSql(path_, counted, false, limit).rows, (Rows{{"1", "20000"}, {"2", "20000"}}));
}

TEST_F(SqlExecute, FailuresNameTheirStep) {
  Fill(1);
  EXPECT_EQ(ExecuteFailure(path_, "SELEC 1", false), "SQL 解析失败: near \"SELEC\": syntax error");
  EXPECT_EQ(ExecuteFailure(path_, "SELECT abs(-9223372036854775807 - 1);", false),
            "SQL 执行失败: integer overflow");
}

// Statements before the failing one stay applied, and the failure says so.
TEST(SqlExecuteFailure, SaysHowManyChangedRowsStayed) {
  const std::string endless =
      "WITH RECURSIVE c(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM c) SELECT count(*) FROM c;";
  const std::string kept = "此前已提交的修改仍然保留，共影响 ";
  const struct {
    std::string sql;
    std::string countQuery;
    std::string rowsLeft;
    std::string text;
  } cases[] = {
      {"DELETE FROM t WHERE x <= 10; " + endless, "t", "10",
       "SQL 执行超过 10 秒，已中止这条语句并撤销它所做的修改。" + kept + "10 行。"},
      {"DELETE FROM t WHERE x <= 5; BEGIN; DELETE FROM t;", "t", "15",
       "事务没有提交：执行结束时仍有未结束的事务，其中的修改已全部回滚。请以 COMMIT 结束事务后再执行。" +
           kept + "5 行。"},
      {"CREATE TABLE made (a); INSERT INTO made VALUES (1); SELECT abs(-9223372036854775807 - 1);",
       "made", "1", "SQL 执行失败: integer overflow。" + kept + "1 行。"},
      // A transaction rolled back by the request takes its changes along.
      {"DELETE FROM t WHERE x <= 2; BEGIN; DELETE FROM t; ROLLBACK; SELECT abs(-9223372036854775807 - 1);",
       "t", "18", "SQL 执行失败: integer overflow。" + kept + "2 行。"},
  };
  TempDir dir;
  int n = 0;
  for (const auto& c : cases) {
    const std::wstring path = dir.file(L"case" + std::to_wstring(++n) + L".db");
    RunSqlOnFile(path, "CREATE TABLE t (x INTEGER);"
                       "WITH RECURSIVE c(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM c WHERE n < 20) "
                       "INSERT INTO t SELECT n FROM c;");
    try {
      ExecuteDatabaseSql(path, c.sql, true, std::chrono::milliseconds(150));
      ADD_FAILURE() << c.sql;
    } catch (const SqlPartlyAppliedError& failure) {
      EXPECT_EQ(failure.what(), c.text);
    }
    EXPECT_EQ(CountRows(path, c.countQuery), c.rowsLeft) << c.sql;
  }
}

TEST_F(SqlExecute, ProcessWidePragmasAreRefusedInBothModes) {
  Fill(1);
  for (const bool allowWrite : {false, true}) {
    for (const std::string name :
         {"hard_heap_limit", "soft_heap_limit", "temp_store_directory", "data_store_directory"}) {
      EXPECT_EQ(ExecuteFailure(path_, "PRAGMA " + name + " = 20000;", allowWrite),
                "PRAGMA " + name + " 会改变整个程序的 SQLite 设置，数据库浏览器中不能执行。");
    }
    EXPECT_EQ(ExecuteFailure(path_, "SELECT 1; PRAGMA main.HARD_HEAP_LIMIT;", allowWrite),
              "PRAGMA HARD_HEAP_LIMIT 会改变整个程序的 SQLite 设置，数据库浏览器中不能执行。");
    EXPECT_EQ(ExecuteFailure(path_, "SELECT * FROM pragma_soft_heap_limit;", allowWrite),
              "PRAGMA soft_heap_limit 会改变整个程序的 SQLite 设置，数据库浏览器中不能执行。");
    // The next request runs, and other pragmas still do.
    EXPECT_EQ(ExecuteDatabaseSql(path_, "PRAGMA cache_size; SELECT count(*) FROM pragma_table_info('t');",
                                 allowWrite).rows,
              (Rows{{"2"}}));
  }
  EXPECT_EQ(sqlite3_hard_heap_limit64(-1), 0);
  EXPECT_EQ(sqlite3_soft_heap_limit64(-1), 0);
}

TEST_F(SqlExecute, KeptCellsHaveAByteBudgetOf16MiB) {
  Fill(1);
  // Rows of exactly 1 MiB of text: sixteen fill the budget.
  const auto rows = [&](int count) {
    return ExecuteDatabaseSql(path_,
                              "WITH RECURSIVE c(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM c WHERE n < " +
                                  std::to_string(count) + ") SELECT hex(zeroblob(524288)) FROM c;",
                              false);
  };
  const SqlExecuteResult whole = rows(16);
  EXPECT_EQ(whole.rows.size(), 16u);
  EXPECT_FALSE(whole.truncated);
  const SqlExecuteResult cut = rows(17);
  EXPECT_EQ(cut.rows.size(), 16u);
  EXPECT_TRUE(cut.truncated);
  EXPECT_EQ(cut.message, "查询完成，返回 16 行（结果已截断）。");
}

TEST_F(SqlExecute, NeedsAnExistingFile) {
  EXPECT_EQ(ExecuteFailure(L"", "SELECT 1", false), "请先打开一个 SQLite 数据库。");
  const std::wstring absent = dir_.file(L"absent.db");
  EXPECT_EQ(ExecuteFailure(absent, "SELECT 1", true),
            "无法打开 SQLite 数据库: unable to open database file");
  EXPECT_EQ(ExecuteFailure(absent, "SELECT 1", false),
            "无法打开 SQLite 数据库: unable to open database file");
  EXPECT_EQ(ListFolder(dir_.path()), L"");
}

TEST_F(SqlExecute, ReadOnlyModeReadsAttachedFilesThatExist) {
  Fill(2);
  const std::wstring other = dir_.file(L"other.db");
  RunSqlOnFile(other, "CREATE TABLE o (v); INSERT INTO o VALUES ('there');");
  const std::string sql = "ATTACH '" + Utf16ToUtf8(other) + "' AS other; SELECT v FROM other.o;";
  EXPECT_EQ(ExecuteDatabaseSql(path_, sql, false).rows, (Rows{{"there"}}));
  EXPECT_EQ(ExecuteFailure(path_, "ATTACH ':memory:' AS m; CREATE TABLE m.x (a);", false),
            kReadOnlyText);
}

struct WritingCase {
  std::string name;
  std::string sql;  // "{dir}" stands for the folder of the database
};

class ReadOnlyRefusal : public ::testing::TestWithParam<WritingCase> {};

TEST_P(ReadOnlyRefusal, RefusesBeforeRunningAndLeavesTheFolderAlone) {
  TempDir dir;
  const std::wstring path = dir.file(L"guarded.db");
  RunSqlOnFile(path,
               "CREATE TABLE t (a INTEGER, b TEXT); CREATE INDEX t_a ON t (a);"
               "INSERT INTO t VALUES (1, 'one'), (2, 'two');");
  const std::string before = FileSha256(path);
  std::string sql = GetParam().sql;
  const size_t marker = sql.find("{dir}");
  if (marker != std::string::npos) sql.replace(marker, 5, Utf16ToUtf8(dir.path()));

  EXPECT_EQ(ExecuteFailure(path, sql, false), kReadOnlyText);
  EXPECT_EQ(ExecuteFailure(path, "SELECT 1; " + sql, false), kReadOnlyText);
  EXPECT_EQ(FileSha256(path), before);
  EXPECT_EQ(ListFolder(dir.path()), L"guarded.db");
}

INSTANTIATE_TEST_SUITE_P(
    Catalogue, ReadOnlyRefusal,
    ::testing::Values(
        WritingCase{"Insert", "INSERT INTO t VALUES (3, 'three');"},
        WritingCase{"Update", "UPDATE t SET b = 'x';"},
        WritingCase{"Delete", "DELETE FROM t;"},
        WritingCase{"Replace", "REPLACE INTO t VALUES (1, 'uno');"},
        WritingCase{"UpdateReturning", "UPDATE t SET b = 'x' RETURNING a;"},
        WritingCase{"Create", "CREATE TABLE u (x);"},
        WritingCase{"CreateTemp", "CREATE TEMP TABLE scratch (x);"},
        WritingCase{"CreateIndex", "CREATE INDEX t_b ON t (b);"},
        WritingCase{"Drop", "DROP TABLE t;"},
        WritingCase{"Alter", "ALTER TABLE t ADD COLUMN c;"},
        WritingCase{"PragmaUserVersion", "PRAGMA user_version = 5;"},
        WritingCase{"PragmaJournalMode", "PRAGMA journal_mode = WAL;"},
        WritingCase{"Vacuum", "VACUUM;"},
        WritingCase{"VacuumInto", "VACUUM INTO '{dir}\\copy.db';"},
        WritingCase{"Analyze", "ANALYZE;"},
        WritingCase{"Reindex", "REINDEX;"},
        WritingCase{"AttachNewFile", "ATTACH '{dir}\\fresh.db' AS fresh;"},
        WritingCase{"AttachComputedName", "ATTACH '{dir}' || '\\fresh.db' AS fresh;"}),
    nubo::testing::CaseName());

}  // namespace
}  // namespace nubo
