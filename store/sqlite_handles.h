#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace nubo {

// Owns a SQLite connection; closes it on every path.
class SqliteConnection {
 public:
  SqliteConnection() = default;
  explicit SqliteConnection(sqlite3* db) : db_(db) {}
  ~SqliteConnection() { reset(); }
  SqliteConnection(SqliteConnection&& other) noexcept : db_(std::exchange(other.db_, nullptr)) {}
  SqliteConnection& operator=(SqliteConnection&& other) noexcept {
    if (this != &other) reset(std::exchange(other.db_, nullptr));
    return *this;
  }
  SqliteConnection(const SqliteConnection&) = delete;
  SqliteConnection& operator=(const SqliteConnection&) = delete;

  sqlite3* get() const { return db_; }
  sqlite3** out() { reset(); return &db_; }
  explicit operator bool() const { return db_ != nullptr; }
  void reset(sqlite3* db = nullptr) {
    if (db_ != nullptr) sqlite3_close_v2(db_);
    db_ = db;
  }

 private:
  sqlite3* db_ = nullptr;
};

// Owns a prepared statement; finalises it on every path.
class SqliteStatement {
 public:
  SqliteStatement() = default;
  ~SqliteStatement() { reset(); }
  SqliteStatement(SqliteStatement&& other) noexcept : stmt_(std::exchange(other.stmt_, nullptr)) {}
  SqliteStatement& operator=(SqliteStatement&& other) noexcept {
    if (this != &other) {
      reset();
      stmt_ = std::exchange(other.stmt_, nullptr);
    }
    return *this;
  }
  SqliteStatement(const SqliteStatement&) = delete;
  SqliteStatement& operator=(const SqliteStatement&) = delete;

  sqlite3_stmt* get() const { return stmt_; }
  sqlite3_stmt** out() { reset(); return &stmt_; }
  explicit operator bool() const { return stmt_ != nullptr; }
  void reset() {
    if (stmt_ != nullptr) sqlite3_finalize(stmt_);
    stmt_ = nullptr;
  }

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

// Text columns read with their byte count, so embedded NUL bytes survive.
// A NULL column gives the fallback.
inline std::string ColumnText(sqlite3_stmt* stmt, int column, std::string_view fallback = {}) {
  const auto* text = sqlite3_column_text(stmt, column);
  if (text == nullptr) return std::string(fallback);
  const int length = sqlite3_column_bytes(stmt, column);
  return std::string(reinterpret_cast<const char*>(text), static_cast<size_t>(length));
}

}  // namespace nubo
