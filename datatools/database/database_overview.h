#pragma once

#include <sqlite3.h>

#include <string>
#include <string_view>
#include <vector>

#include "datatools/database/database_types.h"

namespace nubo {

// Creates the file when missing (read-write), reads its overview, closes it.
DatabaseOverview CreateDatabaseAndReadOverview(const std::wstring& path);

// Opens an existing regular file read-only, reads its overview, closes it.
DatabaseOverview OpenDatabaseAndReadOverview(const std::wstring& path);

DatabaseOverview ReadDatabaseOverview(sqlite3* db, const std::wstring& path);

// Columns by PRAGMA table_info; an empty list when the pragma cannot run.
std::vector<DatabaseColumn> ReadTableColumns(sqlite3* db, std::string_view name);

// "name" with every double quote inside doubled.
std::string QuoteSqlIdentifier(std::string_view name);

}  // namespace nubo
