#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "datatools/database/database_overview.h"
#include "store/text_convert.h"
#include "tests/support/temp_dir.h"

namespace nubo {
namespace {

std::string Flag(bool value) { return value ? "1" : "0"; }

std::string OneLine(std::string text) {
  for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 2)) {
    text.replace(at, 1, "\\n");
  }
  return text;
}

// The overview in the line form that overview_shell_check.sh builds with the
// sqlite3 shell.
std::string ListOverview(const DatabaseOverview& overview) {
  std::string text = "file|" + std::to_string(overview.fileSizeBytes) + "|" +
                     std::to_string(overview.pageSize) + "|" + std::to_string(overview.pageCount) +
                     "|" + std::to_string(overview.userVersion) + "|" + overview.journalMode + "\n";
  for (const auto& object : overview.objects) {
    text += "object|" + object.type + "|" + object.name + "|" + object.tableName + "|" +
            OneLine(object.sql) + "\n";
    for (const auto& column : object.columns) {
      text += "column|" + column.name + "|" + column.type + "|" + column.defaultValue + "|" +
              Flag(column.notNull) + "|" + Flag(column.primaryKey) + "\n";
    }
  }
  return text;
}

TEST(DatabaseOverviewForShell, ListsTheFileWhenAsked) {
  const char* database = std::getenv("NUBO_SHELL_CHECK_DB");
  const char* listing = std::getenv("NUBO_SHELL_CHECK_OUT");
  if (database == nullptr || listing == nullptr) GTEST_SKIP() << "only run by the shell check";
  const DatabaseOverview overview = OpenDatabaseAndReadOverview(Utf8ToUtf16(database));
  nubo::testing::WriteWholeFile(Utf8ToUtf16(listing), ListOverview(overview));
}

}  // namespace
}  // namespace nubo
