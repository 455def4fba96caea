#include "datatools/database/sql_execute.h"

#include <chrono>
#include <locale>
#include <sstream>
#include <stdexcept>
#include <string_view>

#include "datatools/database/database_connection.h"
#include "datatools/database/database_texts.h"
#include "store/ascii_case.h"
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

bool IsProcessWidePragma(const char* name) {
  if (name == nullptr) return false;
  for (const char* pragma : texts::kProcessWidePragmas) {
    if (EqualsIgnoringAsciiCase(name, pragma)) return true;
  }
  return false;
}

// Notes, while a statement is prepared, what the read-only test of SQLite
// does not count as writing, and refuses what no mode may run.
struct StatementWatch {
  bool readOnlyRequest = false;
  bool attachesNewFile = false;
  std::string refusedPragma;
};

int WatchStatement(void* context, int action, const char* first, const char*, const char*,
                   const char*) {
  auto* watch = static_cast<StatementWatch*>(context);
  if (action == SQLITE_PRAGMA && IsProcessWidePragma(first)) {
    watch->refusedPragma = RepairUtf8(first);
    return SQLITE_DENY;
  }
  if (action == SQLITE_ATTACH && watch->readOnlyRequest && AttachTargetIsNew(first)) {
    watch->attachesNewFile = true;
  }
  return SQLITE_OK;
}

// What of the request stays in the file: changes count once the connection is
// back in autocommit mode, and a rolled-back transaction takes its own along.
struct KeptChanges {
  int64_t rows = 0;
  bool wrote = false;
  int64_t pendingRows = 0;
  bool pendingWrite = false;
  bool rolledBack = false;  // set by the rollback hook during a statement
};

void NoteRollback(void* context) { static_cast<KeptChanges*>(context)->rolledBack = true; }

void NoteCompletedStatement(sqlite3* db, int64_t changedRows, bool wrote, KeptChanges& kept) {
  kept.pendingRows += changedRows;
  kept.pendingWrite = kept.pendingWrite || wrote;
  if (kept.rolledBack) {
    kept.pendingRows = 0;
    kept.pendingWrite = false;
    kept.rolledBack = false;
  }
  if (sqlite3_get_autocommit(db) != 0) {
    kept.rows += kept.pendingRows;
    kept.wrote = kept.wrote || kept.pendingWrite;
    kept.pendingRows = 0;
    kept.pendingWrite = false;
  }
}

// The failure's text, saying what stayed when earlier statements changed the
// database.
std::string FailureWithKeptChanges(const std::string& failure, const KeptChanges& kept) {
  std::string text = failure;
  if (!text.ends_with("。")) text += "。";
  return text + texts::kChangesKeptPrefix + std::to_string(kept.rows) + texts::kChangesKeptSuffix;
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

// Steps one prepared statement, keeping the rows of the result up to the row
// cap and the byte budget. A statement that only reads stops at the first row
// past them; one that writes runs to its end so that every row it changes is
// changed.
void RunStatement(sqlite3* db, sqlite3_stmt* stmt, bool readOnly, SqlExecuteResult& result) {
  const int columnCount = sqlite3_column_count(stmt);
  result.columns.clear();
  result.rows.clear();
  result.truncated = false;
  for (int i = 0; i < columnCount; ++i) {
    const char* name = sqlite3_column_name(stmt, i);
    result.columns.push_back(name != nullptr ? RepairUtf8(name) : std::string());
  }
  size_t keptBytes = 0;
  int step = SQLITE_ROW;
  while ((step = sqlite3_step(stmt)) == SQLITE_ROW) {
    if (!result.truncated && result.rows.size() < texts::kMaxKeptRows) {
      std::vector<std::string> row;
      row.reserve(static_cast<size_t>(columnCount));
      size_t rowBytes = 0;
      for (int i = 0; i < columnCount; ++i) {
        row.push_back(FormatSqlCell(stmt, i));
        rowBytes += row.back().size();
      }
      if (rowBytes <= texts::kMaxKeptCellBytes - keptBytes) {
        keptBytes += rowBytes;
        result.rows.push_back(std::move(row));
        continue;
      }
    }
    result.truncated = true;
    if (readOnly) return;
  }
  if (step != SQLITE_DONE) throw std::runtime_error(MakeSqliteError(db, texts::kStepFailed));
}

// What the connection's callbacks note while the statements run.
struct Request {
  StatementWatch& watch;
  const Deadline& deadline;
  KeptChanges& kept;
};

// A refused pragma and the deadline name their own cause.
std::string StatementFailure(const Request& request, const std::string& failure) {
  if (!request.watch.refusedPragma.empty()) {
    return texts::kProcessWidePragmaPrefix + request.watch.refusedPragma +
           texts::kProcessWidePragmaSuffix;
  }
  return request.deadline.passed ? std::string(texts::kSqlTimedOut) : failure;
}

void RunStatements(sqlite3* db, const std::string& sql, bool allowWrite, const Request& request,
                   SqlExecuteResult& result) {
  const char* cursor = sql.c_str();
  while (*cursor != '\0') {
    SqliteStatement stmt;
    const char* tail = nullptr;
    request.watch.attachesNewFile = false;
    if (sqlite3_prepare_v2(db, cursor, -1, stmt.out(), &tail) != SQLITE_OK) {
      throw std::runtime_error(
          StatementFailure(request, MakeSqliteError(db, texts::kPrepareFailed)));
    }
    if (tail == cursor) break;
    cursor = tail;
    if (!stmt) continue;  // white space or a comment

    const bool readOnly = sqlite3_stmt_readonly(stmt.get()) != 0 && !request.watch.attachesNewFile;
    if (!readOnly && !allowWrite) throw std::runtime_error(texts::kReadOnlyMode);
    if (!readOnly) result.wroteData = true;
    ++result.statementCount;
    // SQLite undoes the interrupted statement; closing the connection rolls
    // back a transaction the request left open.
    const int64_t changesBefore = sqlite3_total_changes64(db);
    try {
      RunStatement(db, stmt.get(), readOnly, result);
    } catch (const std::runtime_error& failure) {
      throw std::runtime_error(StatementFailure(request, failure.what()));
    }
    NoteCompletedStatement(db, sqlite3_total_changes64(db) - changesBefore, !readOnly,
                           request.kept);
  }
  if (result.statementCount == 0) throw std::runtime_error(texts::kNoStatement);

  // Closing the connection would roll an open transaction back without a
  // word, so the changes the user saw succeed would silently vanish.
  if (allowWrite && sqlite3_get_autocommit(db) == 0) {
    sqlite3_exec(db, "ROLLBACK;", nullptr, nullptr, nullptr);
    throw std::runtime_error(texts::kTransactionNotCommitted);
  }
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

  // Before the connection: closing it may still call the rollback hook.
  KeptChanges kept;
  SqliteConnection connection = OpenSqliteDatabase(path, allowWrite ? kOpenReadWrite : kOpenReadOnly);
  sqlite3* db = connection.get();
  StatementWatch watch;
  watch.readOnlyRequest = !allowWrite;
  sqlite3_set_authorizer(db, WatchStatement, &watch);
  sqlite3_rollback_hook(db, NoteRollback, &kept);

  SqlExecuteResult result;
  const int64_t changesBefore = sqlite3_total_changes64(db);
  const auto started = std::chrono::steady_clock::now();
  Deadline deadline{started + timeLimit};
  sqlite3_progress_handler(db, texts::kSqlDeadlineCheckSteps, CheckDeadline, &deadline);

  try {
    RunStatements(db, sql, allowWrite, Request{watch, deadline, kept}, result);
  } catch (const std::runtime_error& failure) {
    if (!kept.wrote) throw;
    throw SqlPartlyAppliedError(FailureWithKeptChanges(failure.what(), kept));
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
