#pragma once

#include <cstddef>
#include <cstdint>

// Limits, SQL and user-facing texts of the database browser.
namespace nubo::database_texts {

inline constexpr int kBusyTimeoutMilliseconds = 2500;
inline constexpr size_t kMaxSqlBytes = 262144;
inline constexpr size_t kMaxKeptRows = 500;
// Most bytes of cell text one result keeps; rows past it are dropped like
// rows past the row cap.
inline constexpr size_t kMaxKeptCellBytes = 16 * 1024 * 1024;
// Longest a request's SQL may run on the main thread before it is stopped.
inline constexpr int kSqlTimeLimitMilliseconds = 10000;
// How many virtual-machine steps pass between two looks at the clock.
inline constexpr int kSqlDeadlineCheckSteps = 10000;

// Only the reserved "sqlite_" prefix marks an internal object: the "_" is
// escaped, else LIKE would also hide user tables such as "sqliteData".
inline constexpr char kOverviewQuery[] =
    "SELECT type, name, tbl_name, COALESCE(sql, '') FROM sqlite_master "
    "WHERE type IN ('table', 'view', 'index', 'trigger') AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' "
    "ORDER BY CASE type WHEN 'table' THEN 0 WHEN 'view' THEN 1 WHEN 'index' THEN 2 ELSE 3 END, "
    "name COLLATE NOCASE;";

// Contexts put before SQLite's own message.
inline constexpr char kOpenFailed[] = "无法打开 SQLite 数据库";
inline constexpr char kSchemaPrepareFailed[] = "无法读取数据库结构";
inline constexpr char kSchemaStepFailed[] = "读取数据库结构时发生错误";
inline constexpr char kPrepareFailed[] = "SQL 解析失败";
inline constexpr char kStepFailed[] = "SQL 执行失败";

inline constexpr char kNewDatabaseWithoutPath[] = "数据库路径不能为空。";
inline constexpr char kOpenWithoutPath[] = "请先选择 SQLite 数据库。";
inline constexpr char kNotARegularFile[] = "选择的数据库文件不存在或不是普通文件。";
inline constexpr char kNoCurrentDatabase[] = "请先打开一个 SQLite 数据库。";
inline constexpr char kSqlEmpty[] = "请输入要执行的 SQL。";
inline constexpr char kSqlTooLong[] = "单次 SQL 不能超过 256 KB。";
inline constexpr char kSqlHoldsNul[] = "SQL 中不能包含 NUL 字符（\\0），请删除后再执行。";
inline constexpr char kReadOnlyMode[] =
    "当前处于只读模式；如需修改数据库，请先明确启用“允许写入”。";
inline constexpr char kNoStatement[] = "没有找到可执行的 SQL 语句。";
static_assert(kSqlTimeLimitMilliseconds == 10000, "the text below names 10 seconds");
inline constexpr char kSqlTimedOut[] = "SQL 执行超过 10 秒，已中止这条语句并撤销它所做的修改。";
inline constexpr char kTransactionNotCommitted[] =
    "事务没有提交：执行结束时仍有未结束的事务，其中的修改已全部回滚。请以 COMMIT 结束事务后再执行。";
// Said after a failure when earlier statements of the request changed the
// database: prefix + the count of changed rows that stayed + suffix.
inline constexpr char kChangesKeptPrefix[] = "此前已提交的修改仍然保留，共影响 ";
inline constexpr char kChangesKeptSuffix[] = " 行。";

// Pragmas that change SQLite for the whole program, the application's own
// store included, not just the browser's connection.
inline constexpr const char* kProcessWidePragmas[] = {
    "hard_heap_limit", "soft_heap_limit", "temp_store_directory", "data_store_directory"};
inline constexpr char kProcessWidePragmaPrefix[] = "PRAGMA ";
inline constexpr char kProcessWidePragmaSuffix[] =
    " 会改变整个程序的 SQLite 设置，数据库浏览器中不能执行。";

inline constexpr char kExecutedPrefix[] = "执行完成，影响 ";
inline constexpr char kQueriedPrefix[] = "查询完成，返回 ";
inline constexpr char kRowsSuffix[] = " 行。";
inline constexpr char kRowsTruncatedSuffix[] = " 行（结果已截断）。";

}  // namespace nubo::database_texts
