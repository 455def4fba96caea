#include "datatools/database/sql_execute.h"

#include <chrono>
#include <locale>
#include <sstream>
#include <stdexcept>
#include <string_view>

#include "datatools/database/database_connection.h"
#include "datatools/database/database_texts.h"
#include "store/utf8.h"
#include "store/file_utils.h"
#include "store/sqlite_handles.h"
#include "store/text_convert.h"

namespace nubo {
namespace {

namespace texts = database_texts;

bool IsBlank(const std::string& text) {
  for (char c : text) {
    switch (c) {
      case ' ': case '\t': case '\n': case '\v': case '\f': case '\r':
        continue;
      default:
        return false;
    }
  }
  return true;
}

// An ATTACH names a file that a read-only request must not bring into being.
// A name that is not a literal cannot be judged and counts as new.
bool AttachTargetIsNew(const char* name) {
  if (name == nullptr) return true;
  const std::string_view target(name);
  if (target.empty() || target == ":memory:") return false;  // no file of its own
  try {
    return !FileExists(Utf8ToUtf16(target));
  } catch (const std::exception&) {
    return true;
  }
}

// Notes, while a statement is prepared, what the read-only test of SQLite
// does not count as writing.
struct StatementWatch {
  bool attachesNewFile = false;
};

int WatchStatement(void* context, int action, const char* first, const char*, const char*,
                   const char*) {
  if (action == SQLITE_ATTACH && AttachTargetIsNew(first)) {
    static_cast<StatementWatch*>(context)->attachesNewFile = true;
  }
  return SQLITE_OK;
}

// Interrupts the running statement once the request's deadline has passed.
struct Deadline {
  std::chrono::steady_clock::time_point at;
  bool passed = false;
};

int CheckDeadline(void* context) {
  auto* deadline = static_cast<Deadline*>(context);
  if (std::chrono::steady_clock::now() < deadline->at) return 0;
  deadline->passed = true;
  return 1;
}

void ValidateSql(const std::string& sql) {
  if (IsBlank(sql)) throw std::runtime_error(texts::kSqlEmpty);
  if (sql.size() > texts::kMaxSqlBytes) throw std::runtime_error(texts::kSqlTooLong);
  // SQLite reads the text up to its first NUL; refuse rather than run a part.
  if (sql.find('\0') != std::string::npos) throw std::runtime_error(texts::kSqlHoldsNul);
}

std::string SummaryMessage(const SqlExecuteResult& result) {
  if (result.columns.empty()) {
    return texts::kExecutedPrefix + std::to_string(result.affectedRows) + texts::kRowsSuffix;
  }
  return texts::kQueriedPrefix + std::to_string(result.rows.size()) +
         (result.truncated ? texts::kRowsTruncatedSuffix : texts::kRowsSuffix);
}

// Steps one prepared statement, keeping the rows of the result. A statement
// that only reads stops at the first row past the cap; one that writes runs
// to its end so that every row it changes is changed.
void RunStatement(sqlite3* db, sqlite3_stmt* stmt, bool readOnly, SqlExecuteResult& result) {
  const int columnCount = sqlite3_column_count(stmt);
  result.columns.clear();
  result.rows.clear();
  result.truncated = false;
  for (int i = 0; i < columnCount; ++i) {
    const char* name = sqlite3_column_name(stmt, i);
    result.columns.push_back(name != nullptr ? RepairUtf8(name) : std::string());
  }
  int step = SQLITE_ROW;
  while ((step = sqlite3_step(stmt)) == SQLITE_ROW) {
    if (result.rows.size() >= texts::kMaxKeptRows) {
      result.truncated = true;
      if (readOnly) return;
      continue;
    }
    std::vector<std::string> row;
    row.reserve(static_cast<size_t>(columnCount));
    for (int i = 0; i < columnCount; ++i) row.push_back(FormatSqlCell(stmt, i));
    result.rows.push_back(std::move(row));
  }
  if (step != SQLITE_DONE) throw std::runtime_error(MakeSqliteError(db, texts::kStepFailed));
}

}  // namespace

std::string FormatSqlCell(sqlite3_stmt* stmt, int column) {
  switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_INTEGER:
      return std::to_string(sqlite3_column_int64(stmt, column));
    case SQLITE_FLOAT: {
      std::ostringstream out;
      out.imbue(std::locale::classic());  // "2.5" whatever the process locale
      out.precision(15);
      out << sqlite3_column_double(stmt, column);
      return out.str();
    }
    case SQLITE_TEXT:
      return ReadColumnText(stmt, column);
    case SQLITE_BLOB:
      return "<BLOB " + std::to_string(sqlite3_column_bytes(stmt, column)) + " bytes>";
    default:
      return "NULL";
  }
}

SqlExecuteResult ExecuteDatabaseSql(const std::wstring& path, const std::string& sql,
                                    bool allowWrite, std::chrono::milliseconds timeLimit) {
  if (path.empty()) throw std::runtime_error(texts::kNoCurrentDatabase);
  ValidateSql(sql);

  SqliteConnection connection = OpenSqliteDatabase(path, allowWrite ? kOpenReadWrite : kOpenReadOnly);
  sqlite3* db = connection.get();
  StatementWatch watch;
  if (!allowWrite) sqlite3_set_authorizer(db, WatchStatement, &watch);

  SqlExecuteResult result;
  const int64_t changesBefore = sqlite3_total_changes64(db);
  const auto started = std::chrono::steady_clock::now();
  Deadline deadline{started + timeLimit};
  sqlite3_progress_handler(db, texts::kSqlDeadlineCheckSteps, CheckDeadline, &deadline);

  const char* cursor = sql.c_str();
  while (*cursor != '\0') {
    SqliteStatement stmt;
    const char* tail = nullptr;
    watch.attachesNewFile = false;
    if (sqlite3_prepare_v2(db, cursor, -1, stmt.out(), &tail) != SQLITE_OK) {
      if (deadline.passed) throw std::runtime_error(texts::kSqlTimedOut);
      throw std::runtime_error(MakeSqliteError(db, texts::kPrepareFailed));
    }
    if (tail == cursor) break;
    cursor = tail;
    if (!stmt) continue;  // white space or a comment

    const bool readOnly = sqlite3_stmt_readonly(stmt.get()) != 0 && !watch.attachesNewFile;
    if (!readOnly && !allowWrite) throw std::runtime_error(texts::kReadOnlyMode);
    if (!readOnly) result.wroteData = true;
    ++result.statementCount;
    // SQLite undoes the interrupted statement; closing the connection rolls
    // back a transaction the request left open.
    try {
      RunStatement(db, stmt.get(), readOnly, result);
    } catch (const std::runtime_error&) {
      if (deadline.passed) throw std::runtime_error(texts::kSqlTimedOut);
      throw;
    }
  }
  if (result.statementCount == 0) throw std::runtime_error(texts::kNoStatement);

  // Closing the connection would roll an open transaction back without a
  // word, so the changes the user saw succeed would silently vanish.
  if (allowWrite && sqlite3_get_autocommit(db) == 0) {
    sqlite3_exec(db, "ROLLBACK;", nullptr, nullptr, nullptr);
    throw std::runtime_error(texts::kTransactionNotCommitted);
  }

  result.affectedRows = sqlite3_total_changes64(db) - changesBefore;
  result.lastInsertId = sqlite3_last_insert_rowid(db);
  result.elapsedMilliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::steady_clock::now() - started)
                                   .count();
  result.message = SummaryMessage(result);
  return result;
}

}  // namespace nubo
