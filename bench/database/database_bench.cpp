// Times the database browser's own calls on files prepared by bench/database/run:
//   database_bench <database> <sql> <runs> <schema database>
// Prints one line per figure: name, then the median and the fastest run in ms.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include <sqlite3.h>

#include "datatools/database/database_connection.h"
#include "datatools/database/database_overview.h"
#include "datatools/database/sql_execute.h"
#include "store/text_convert.h"

namespace {

struct Timing {
  double median = 0;
  double fastest = 0;
};

Timing Measure(int runs, const std::function<void()>& work) {
  work();  // warm the file cache
  std::vector<double> samples;
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    work();
    samples.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(samples.begin(), samples.end());
  return Timing{samples[samples.size() / 2], samples.front()};
}

// The same statement through the bare C interface in this process, so that
// the platform's share (file reads under Wine) can be told from our own.
size_t PlainSqlite(const std::wstring& path, const std::string& sql, const char* setup) {
  nubo::SqliteConnection connection = nubo::OpenSqliteDatabase(path, nubo::kOpenReadOnly);
  if (setup != nullptr) sqlite3_exec(connection.get(), setup, nullptr, nullptr, nullptr);
  nubo::SqliteStatement stmt;
  sqlite3_prepare_v2(connection.get(), sql.c_str(), -1, stmt.out(), nullptr);
  size_t rows = 0;
  while (sqlite3_step(stmt.get()) == SQLITE_ROW) ++rows;
  return rows;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: database_bench <database> <sql> <runs> <schema database>\n");
    return 2;
  }
  try {
    const std::wstring database = nubo::Utf8ToUtf16(argv[1]);
    const std::string sql = argv[2];
    const int runs = std::max(1, std::atoi(argv[3]));
    const std::wstring schema = nubo::Utf8ToUtf16(argv[4]);

    size_t rows = 0;
    const Timing query = Measure(runs, [&] {
      rows = nubo::ExecuteDatabaseSql(database, sql, false).rows.size();
    });
    std::printf("capped-query %.1f %.1f rows=%zu\n", query.median, query.fastest, rows);
    const Timing plain = Measure(runs, [&] { PlainSqlite(database, sql, nullptr); });
    std::printf("plain-query %.1f %.1f\n", plain.median, plain.fastest);
    const Timing mapped = Measure(runs, [&] {
      PlainSqlite(database, sql, "PRAGMA mmap_size = 1073741824;");
    });
    std::printf("mapped-query %.1f %.1f\n", mapped.median, mapped.fastest);

    size_t objects = 0;
    const Timing overview = Measure(runs, [&] {
      objects = nubo::OpenDatabaseAndReadOverview(schema).objects.size();
    });
    std::printf("overview %.1f %.1f objects=%zu\n", overview.median, overview.fastest, objects);
    return 0;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "database_bench: %s\n", error.what());
    return 1;
  }
}
