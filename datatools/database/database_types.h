#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace nubo {

// Texts are UTF-8; a SQL NULL read as text is the empty text.
struct DatabaseColumn {
  std::string name;
  std::string type;
  std::string defaultValue;
  bool notNull = false;
  bool primaryKey = false;
};

struct DatabaseObject {
  std::string type;
  std::string name;
  std::string tableName;
  std::string sql;
  std::vector<DatabaseColumn> columns;  // tables and views only
};

struct DatabaseOverview {
  std::string path;
  std::string fileName;
  uint64_t fileSizeBytes = 0;
  int64_t pageSize = 0;
  int64_t pageCount = 0;
  int64_t userVersion = 0;
  std::string journalMode;
  std::vector<DatabaseObject> objects;
};

struct SqlExecuteResult {
  std::vector<std::string> columns;             // of the last statement
  std::vector<std::vector<std::string>> rows;   // kept rows of the last statement
  int64_t affectedRows = 0;
  int64_t lastInsertId = 0;
  int64_t elapsedMilliseconds = 0;
  int64_t statementCount = 0;
  bool truncated = false;
  bool wroteData = false;
  std::string message;
};

}  // namespace nubo
