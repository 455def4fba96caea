#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "store/unique_handle.h"

namespace nubo {

struct SqliteConnectionTraits {
  using Value = sqlite3*;
  static Value Invalid() { return nullptr; }
  static bool IsValid(Value db) { return db != nullptr; }
  static void Close(Value db) { sqlite3_close_v2(db); }
};
// Owns a SQLite connection; closes it on every path.
using SqliteConnection = UniqueHandle<SqliteConnectionTraits>;

struct SqliteStatementTraits {
  using Value = sqlite3_stmt*;
  static Value Invalid() { return nullptr; }
  static bool IsValid(Value stmt) { return stmt != nullptr; }
  static void Close(Value stmt) { sqlite3_finalize(stmt); }
};
// Owns a prepared statement; finalises it on every path.
using SqliteStatement = UniqueHandle<SqliteStatementTraits>;

// Text columns read with their byte count, so embedded NUL bytes survive.
// A NULL column gives the fallback.
inline std::string ColumnText(sqlite3_stmt* stmt, int column, std::string_view fallback = {}) {
  const auto* text = sqlite3_column_text(stmt, column);
  if (text == nullptr) return std::string(fallback);
  const int length = sqlite3_column_bytes(stmt, column);
  return std::string(reinterpret_cast<const char*>(text), static_cast<size_t>(length));
}

}  // namespace nubo
