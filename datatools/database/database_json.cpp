#include "datatools/database/database_json.h"

namespace nubo {

Json DatabaseColumnToJson(const DatabaseColumn& column) {
  return Json{{"name", column.name},
              {"type", column.type},
              {"defaultValue", column.defaultValue},
              {"notNull", column.notNull},
              {"primaryKey", column.primaryKey}};
}

Json DatabaseObjectToJson(const DatabaseObject& object) {
  Json columns = Json::array();
  for (const auto& column : object.columns) columns.push_back(DatabaseColumnToJson(column));
  return Json{{"type", object.type},
              {"name", object.name},
              {"tableName", object.tableName},
              {"sql", object.sql},
              {"columns", std::move(columns)}};
}

Json DatabaseOverviewToJson(const DatabaseOverview& overview) {
  Json objects = Json::array();
  for (const auto& object : overview.objects) objects.push_back(DatabaseObjectToJson(object));
  return Json{{"path", overview.path},
              {"fileName", overview.fileName},
              {"fileSizeBytes", overview.fileSizeBytes},
              {"pageSize", overview.pageSize},
              {"pageCount", overview.pageCount},
              {"userVersion", overview.userVersion},
              {"journalMode", overview.journalMode},
              {"objects", std::move(objects)}};
}

Json SqlExecuteResultToJson(const SqlExecuteResult& result) {
  Json rows = Json::array();
  for (const auto& row : result.rows) rows.push_back(Json(row));
  return Json{{"columns", Json(result.columns)},
              {"rows", std::move(rows)},
              {"affectedRows", result.affectedRows},
              {"lastInsertId", result.lastInsertId},
              {"elapsedMilliseconds", result.elapsedMilliseconds},
              {"statementCount", result.statementCount},
              {"truncated", result.truncated},
              {"wroteData", result.wroteData},
              {"message", result.message}};
}

}  // namespace nubo
