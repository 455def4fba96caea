#include "datatools/database/database_overview.h"

#include <windows.h>

#include <stdexcept>

#include "datatools/database/database_connection.h"
#include "datatools/database/database_texts.h"
#include "store/file_utils.h"
#include "store/sqlite_handles.h"
#include "store/text_convert.h"

namespace nubo {
namespace {

namespace texts = database_texts;

std::string FileNameOf(const std::string& path) {
  const size_t separator = path.find_last_of("\\/");
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

// Column 0 of the pragma's first row; no row or no statement gives nothing.
bool StepPragma(sqlite3* db, std::string_view name, SqliteStatement& stmt) {
  const std::string sql = "PRAGMA " + std::string(name) + ";";
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, stmt.out(), nullptr) != SQLITE_OK || !stmt) {
    return false;
  }
  return sqlite3_step(stmt.get()) == SQLITE_ROW;
}

int64_t ReadPragmaInteger(sqlite3* db, std::string_view name) {
  SqliteStatement stmt;
  return StepPragma(db, name, stmt) ? sqlite3_column_int64(stmt.get(), 0) : 0;
}

std::string ReadPragmaText(sqlite3* db, std::string_view name) {
  SqliteStatement stmt;
  return StepPragma(db, name, stmt) ? ReadColumnText(stmt.get(), 0) : std::string();
}

bool IsRegularFile(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

DatabaseOverview OpenAndRead(const std::wstring& path, int flags) {
  SqliteConnection connection = OpenSqliteDatabase(path, flags);
  return ReadDatabaseOverview(connection.get(), path);
}

}  // namespace

std::string QuoteSqlIdentifier(std::string_view name) {
  std::string quoted = "\"";
  for (char c : name) {
    if (c == '"') quoted.push_back('"');
    quoted.push_back(c);
  }
  quoted.push_back('"');
  return quoted;
}

std::vector<DatabaseColumn> ReadTableColumns(sqlite3* db, std::string_view name) {
  std::vector<DatabaseColumn> columns;
  const std::string sql = "PRAGMA table_info(" + QuoteSqlIdentifier(name) + ");";
  SqliteStatement stmt;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, stmt.out(), nullptr) != SQLITE_OK || !stmt) {
    return columns;
  }
  while (sqlite3_step(stmt.get()) == SQLITE_ROW) {
    DatabaseColumn column;
    column.name = ReadColumnText(stmt.get(), 1);
    column.type = ReadColumnText(stmt.get(), 2);
    column.notNull = sqlite3_column_int(stmt.get(), 3) != 0;
    column.defaultValue = ReadColumnText(stmt.get(), 4);
    column.primaryKey = sqlite3_column_int(stmt.get(), 5) != 0;
    columns.push_back(std::move(column));
  }
  return columns;
}

DatabaseOverview ReadDatabaseOverview(sqlite3* db, const std::wstring& path) {
  DatabaseOverview overview;
  overview.path = Utf16ToUtf8(path);
  overview.fileName = FileNameOf(overview.path);
  overview.fileSizeBytes = FileSizeOrZero(path);
  overview.pageSize = ReadPragmaInteger(db, "page_size");
  overview.pageCount = ReadPragmaInteger(db, "page_count");
  overview.userVersion = ReadPragmaInteger(db, "user_version");
  overview.journalMode = ReadPragmaText(db, "journal_mode");

  SqliteStatement stmt;
  if (sqlite3_prepare_v2(db, texts::kOverviewQuery, -1, stmt.out(), nullptr) != SQLITE_OK) {
    throw std::runtime_error(MakeSqliteError(db, texts::kSchemaPrepareFailed));
  }
  int step = SQLITE_ROW;
  while ((step = sqlite3_step(stmt.get())) == SQLITE_ROW) {
    DatabaseObject object;
    object.type = ReadColumnText(stmt.get(), 0);
    object.name = ReadColumnText(stmt.get(), 1);
    object.tableName = ReadColumnText(stmt.get(), 2);
    object.sql = ReadColumnText(stmt.get(), 3);
    if (object.type == "table" || object.type == "view") {
      // The raw name, so that a name holding ill-formed UTF-8 still matches.
      object.columns = ReadTableColumns(db, ColumnText(stmt.get(), 1));
    }
    overview.objects.push_back(std::move(object));
  }
  if (step != SQLITE_DONE) throw std::runtime_error(MakeSqliteError(db, texts::kSchemaStepFailed));
  return overview;
}

DatabaseOverview CreateDatabaseAndReadOverview(const std::wstring& path) {
  if (path.empty()) throw std::runtime_error(texts::kNewDatabaseWithoutPath);
  return OpenAndRead(path, kOpenCreate);
}

DatabaseOverview OpenDatabaseAndReadOverview(const std::wstring& path) {
  if (path.empty()) throw std::runtime_error(texts::kOpenWithoutPath);
  if (!IsRegularFile(path)) throw std::runtime_error(texts::kNotARegularFile);
  return OpenAndRead(path, kOpenReadOnly);
}

}  // namespace nubo
