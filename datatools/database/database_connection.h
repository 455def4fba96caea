#pragma once

#include <sqlite3.h>

#include <string>
#include <string_view>

#include "store/sqlite_handles.h"

namespace nubo {

inline constexpr int kOpenReadOnly = SQLITE_OPEN_READONLY | SQLITE_OPEN_FULLMUTEX;
inline constexpr int kOpenReadWrite = SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX;
inline constexpr int kOpenCreate =
    SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX;

// Opens the file with the flags and a 2,500 ms busy time-out; throws
// "无法打开 SQLite 数据库: " + SQLite's message.
SqliteConnection OpenSqliteDatabase(const std::wstring& path, int flags);

// context + ": " + the connection's message, or the context alone when there
// is no connection or message. Ill-formed UTF-8 in the message becomes U+FFFD.
std::string MakeSqliteError(sqlite3* db, std::string_view context);

// A text column (NULL gives "") with ill-formed UTF-8 replaced by U+FFFD.
std::string ReadColumnText(sqlite3_stmt* stmt, int column);

}  // namespace nubo
