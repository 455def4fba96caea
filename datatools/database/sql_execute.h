#pragma once

#include <sqlite3.h>

#include <chrono>
#include <string>

#include "datatools/database/database_texts.h"
#include "datatools/database/database_types.h"

namespace nubo {

// Runs every statement of sql against the file at path, one connection for
// the request. Without allowWrite the file is opened read-only and any
// statement that would write is refused before it runs. Throws the
// user-facing text on every failure. SQL still running after timeLimit is
// interrupted and what the interrupted statement did is rolled back.
SqlExecuteResult ExecuteDatabaseSql(
    const std::wstring& path, const std::string& sql, bool allowWrite,
    std::chrono::milliseconds timeLimit =
        std::chrono::milliseconds(database_texts::kSqlTimeLimitMilliseconds));

// One result cell as text: integers in decimal, floats like %.15g, text with
// ill-formed UTF-8 replaced, "<BLOB n bytes>", "NULL".
std::string FormatSqlCell(sqlite3_stmt* stmt, int column);

}  // namespace nubo
