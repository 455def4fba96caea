#include <gtest/gtest.h>

#include "datatools/database/database_json.h"
#include "ui_bridge/messages.h"

namespace nubo {
namespace {

TEST(DatabaseJson, OverviewKeysAndNumbers) {
  DatabaseOverview overview;
  overview.path = "C:\\数据\\a.db";
  overview.fileName = "a.db";
  overview.fileSizeBytes = 8192;
  overview.pageSize = 4096;
  overview.pageCount = 2;
  overview.userVersion = -1;
  overview.journalMode = "delete";
  DatabaseObject table{"table", "t", "t", "CREATE TABLE t (a)", {{"a", "INT", "'x'", true, false}}};
  DatabaseObject index{"index", "i", "t", "", {}};
  overview.objects = {table, index};
  EXPECT_EQ(SerializeMessage(DatabaseOverviewToJson(overview)),
            R"j({"fileName":"a.db","fileSizeBytes":8192,"journalMode":"delete","objects":[)j"
            R"j({"columns":[{"defaultValue":"'x'","name":"a","notNull":true,"primaryKey":false,"type":"INT"}],)j"
            R"j("name":"t","sql":"CREATE TABLE t (a)","tableName":"t","type":"table"},)j"
            R"j({"columns":[],"name":"i","sql":"","tableName":"t","type":"index"}],)j"
            R"j("pageCount":2,"pageSize":4096,"path":"C:\\数据\\a.db","userVersion":-1})j");
}

TEST(DatabaseJson, ExecuteResultKeys) {
  SqlExecuteResult result;
  result.columns = {"a", "b"};
  result.rows = {{"1", "NULL"}};
  result.affectedRows = 3;
  result.lastInsertId = 9;
  result.elapsedMilliseconds = 12;
  result.statementCount = 2;
  result.truncated = false;
  result.wroteData = true;
  result.message = "查询完成，返回 1 行。";
  EXPECT_EQ(SerializeMessage(SqlExecuteResultToJson(result)),
            R"j({"affectedRows":3,"columns":["a","b"],"elapsedMilliseconds":12,"lastInsertId":9,)j"
            R"j("message":"查询完成，返回 1 行。","rows":[["1","NULL"]],"statementCount":2,)j"
            R"j("truncated":false,"wroteData":true})j");
  SqlExecuteResult empty;
  EXPECT_EQ(SqlExecuteResultToJson(empty)["rows"], Json::array());
  EXPECT_EQ(SqlExecuteResultToJson(empty)["columns"], Json::array());
}

}  // namespace
}  // namespace nubo
