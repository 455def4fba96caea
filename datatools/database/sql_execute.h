#pragma once

#include <sqlite3.h>

#include <chrono>
#include <stdexcept>
#include <string>

#include "datatools/database/database_texts.h"
#include "datatools/database/database_types.h"

namespace nubo {

// A request that failed after earlier statements of it had changed the
// database: those changes stay, and the text says how many rows they changed.
class SqlPartlyAppliedError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Runs every statement of sql against the file at path, one connection for
// the request. Without allowWrite the file is opened read-only and any
// statement that would write is refused before it runs; the pragmas that act
// on the whole process are refused in both modes. Throws the user-facing text
// on every failure (SqlPartlyAppliedError when earlier statements' changes
// stayed). SQL still running after timeLimit is interrupted and what the
// interrupted statement did is rolled back.
SqlExecuteResult ExecuteDatabaseSql(
    const std::wstring& path, const std::string& sql, bool allowWrite,
    std::chrono::milliseconds timeLimit =
        std::chrono::milliseconds(database_texts::kSqlTimeLimitMilliseconds));

// One result cell as text: integers in decimal, floats like %.15g, text with
// ill-formed UTF-8 replaced, "<BLOB n bytes>", "NULL".
std::string FormatSqlCell(sqlite3_stmt* stmt, int column);

}  // namespace nubo
