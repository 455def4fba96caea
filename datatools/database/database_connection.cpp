#include "datatools/database/database_connection.h"

#include <stdexcept>

#include "datatools/database/database_texts.h"
#include "store/utf8.h"
#include "store/text_convert.h"

namespace nubo {

SqliteConnection OpenSqliteDatabase(const std::wstring& path, int flags) {
  const std::string utf8Path = Utf16ToUtf8(path);
  SqliteConnection connection;
  if (sqlite3_open_v2(utf8Path.c_str(), connection.out(), flags, nullptr) != SQLITE_OK) {
    const std::string message = MakeSqliteError(connection.get(), database_texts::kOpenFailed);
    connection.reset();
    throw std::runtime_error(message);
  }
  sqlite3_busy_timeout(connection.get(), database_texts::kBusyTimeoutMilliseconds);
  return connection;
}

std::string MakeSqliteError(sqlite3* db, std::string_view context) {
  std::string text(context);
  const char* message = db != nullptr ? sqlite3_errmsg(db) : nullptr;
  if (message != nullptr) {
    text += ": ";
    text += RepairUtf8(message);
  }
  return text;
}

std::string ReadColumnText(sqlite3_stmt* stmt, int column) {
  return RepairUtf8(ColumnText(stmt, column));
}

}  // namespace nubo
