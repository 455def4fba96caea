#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "store/file_utils.h"
#include "store/reminder_store.h"
#include "store/sqlite_handles.h"
#include "store/text_convert.h"
#include "tests/support/temp_dir.h"

namespace nubo {
namespace {

using nubo::testing::TempDir;

constexpr int64_t kDay = 86'400'000;
constexpr int64_t kMon20261207At0800Est = 1'796'648'400'000;
constexpr int64_t kTue20261208At0900Est = 1'796'738'400'000;
constexpr int64_t kWed20261209At0800Est = 1'796'821'200'000;

// A second connection on the same file, for looking behind the store's back.
class Peek {
 public:
  explicit Peek(const std::wstring& path) {
    const std::string utf8 = Utf16ToUtf8(path);
    if (sqlite3_open_v2(utf8.c_str(), db_.out(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                        nullptr) != SQLITE_OK) {
      throw std::runtime_error("peek open failed");
    }
    sqlite3_busy_timeout(db_.get(), 2000);
  }
  void Exec(const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db_.get(), sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
      std::string message = error ? error : "?";
      sqlite3_free(error);
      throw std::runtime_error(message);
    }
  }
  std::vector<std::string> Column(const std::string& sql) {
    SqliteStatement statement;
    if (sqlite3_prepare_v2(db_.get(), sql.c_str(), -1, statement.out(), nullptr) != SQLITE_OK) {
      throw std::runtime_error(sqlite3_errmsg(db_.get()));
    }
    std::vector<std::string> values;
    while (sqlite3_step(statement.get()) == SQLITE_ROW) {
      values.push_back(ColumnText(statement.get(), 0, "<null>"));
    }
    return values;
  }

 private:
  SqliteConnection db_;
};

class ReminderStoreTest : public ::testing::Test {
 protected:
  void SetUp() override { store_.Open(path_); }
  TempDir dir_;
  std::wstring path_ = dir_.file(L"tavu.db");
  ReminderStore store_;
};

TEST_F(ReminderStoreTest, CreatesSchemaInWalMode) {
  Peek peek(path_);
  EXPECT_EQ(peek.Column("PRAGMA journal_mode;"), std::vector<std::string>{"wal"});
  EXPECT_EQ(peek.Column("SELECT name FROM sqlite_master WHERE type IN ('table','index') AND name "
                        "NOT LIKE 'sqlite_%' ORDER BY name;"),
            (std::vector<std::string>{"app_settings", "idx_reminders_due", "reminders"}));
  EXPECT_EQ(peek.Column("SELECT name FROM pragma_table_info('reminders');"),
            (std::vector<std::string>{"id", "title", "due_at", "completed", "notified",
                                      "repeat_rule", "priority", "created_at"}));
}

TEST(ReminderStoreMigration, AddsMissingColumnsOnceWithDefaults) {
  TempDir dir;
  const std::wstring path = dir.file(L"tavu.db");
  {
    Peek old(path);
    old.Exec(
        "CREATE TABLE reminders (id INTEGER PRIMARY KEY AUTOINCREMENT,title TEXT NOT NULL,due_at "
        "INTEGER NOT NULL,completed INTEGER NOT NULL DEFAULT 0,notified INTEGER NOT NULL DEFAULT "
        "0,created_at INTEGER NOT NULL);"
        "INSERT INTO reminders(title,due_at,created_at) VALUES('old',5,1);");
  }
  for (int round = 0; round < 2; ++round) {
    ReminderStore store;
    store.Open(path);
    const auto open = store.ListOpenReminders();
    ASSERT_EQ(open.size(), 1u);
    EXPECT_EQ(open[0].title, "old");
    EXPECT_EQ(open[0].repeatRule, "none");
    EXPECT_EQ(open[0].priority, "normal");
  }
  Peek peek(path);
  EXPECT_EQ(peek.Column("SELECT count(*) FROM pragma_table_info('reminders');"),
            std::vector<std::string>{"8"});
}

TEST(ReminderStoreOpen, ReportsSqliteMessageForUnopenableFile) {
  TempDir dir;
  ReminderStore store;
  try {
    store.Open(dir.file(L"missing\\tavu.db"));
    FAIL() << "expected a failure";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "unable to open database file");
  }
  EXPECT_FALSE(store.IsOpen());
}

TEST_F(ReminderStoreTest, SettingsUpsertAndMissingKeys) {
  EXPECT_FALSE(store_.GetSetting("pet.name").has_value());
  store_.PutSetting("pet.name", "朵朵");
  store_.PutSetting("pet.name", "可爱朵朵");
  store_.PutSetting("empty", "");
  EXPECT_EQ(store_.GetSetting("pet.name").value(), "可爱朵朵");
  EXPECT_EQ(store_.GetSetting("empty").value(), "");
  EXPECT_EQ(Peek(path_).Column("SELECT count(*) FROM app_settings;"),
            std::vector<std::string>{"2"});
}

TEST_F(ReminderStoreTest, TextsWithNulBytesSurviveWhole) {
  const std::string title("buy\0milk", 8);
  const Reminder created = store_.CreateReminder(title, 1000, "none", "urgent");
  EXPECT_EQ(created.title, title);
  const auto open = store_.ListOpenReminders();
  ASSERT_EQ(open.size(), 1u);
  EXPECT_EQ(open[0].title, title);
  EXPECT_EQ(open[0].priority, "urgent");

  store_.PutSetting(std::string("k\0ey", 4), std::string("v\0al", 4));
  EXPECT_EQ(store_.GetSetting(std::string("k\0ey", 4)).value(), std::string("v\0al", 4));
  EXPECT_FALSE(store_.GetSetting("k").has_value());
}

TEST_F(ReminderStoreTest, CreateReturnsTheStoredRecord) {
  const int64_t before = NowMilliseconds();
  const Reminder first = store_.CreateReminder("first", 2000, "daily", "important");
  const Reminder second = store_.CreateReminder("second", 1000, "none", "normal");
  EXPECT_EQ(first.id + 1, second.id);
  EXPECT_FALSE(first.completed);
  EXPECT_FALSE(first.notified);
  const auto open = store_.ListOpenReminders();
  ASSERT_EQ(open.size(), 2u);
  EXPECT_EQ(open[0].title, "second");  // ordered by due time
  EXPECT_EQ(open[1].repeatRule, "daily");
  const auto created = Peek(path_).Column("SELECT created_at FROM reminders WHERE id = " +
                                          std::to_string(first.id) + ";");
  EXPECT_GE(std::stoll(created.at(0)), before);
}

TEST_F(ReminderStoreTest, CompletingMarksPlainRemindersDone) {
  const Reminder plain = store_.CreateReminder("plain", 1000, "none", "normal");
  const Reminder odd = store_.CreateReminder("odd", 1000, "monthly", "normal");
  store_.CompleteReminder(plain.id, 5000);
  store_.CompleteReminder(odd.id, 5000);
  EXPECT_TRUE(store_.ListOpenReminders().empty());
  EXPECT_EQ(Peek(path_).Column("SELECT completed FROM reminders ORDER BY id;"),
            (std::vector<std::string>{"1", "1"}));
}

TEST_F(ReminderStoreTest, CompletingRepeatingReminderMovesItAndClearsNotified) {
  const Reminder daily =
      store_.CreateReminder("daily", kMon20261207At0800Est, "daily", "normal");
  store_.TakeDueReminders(kTue20261208At0900Est);
  store_.CompleteReminder(daily.id, kTue20261208At0900Est);
  const auto open = store_.ListOpenReminders();
  ASSERT_EQ(open.size(), 1u);
  EXPECT_EQ(open[0].dueAt, kWed20261209At0800Est);
  EXPECT_FALSE(open[0].notified);
  EXPECT_FALSE(open[0].completed);
}

TEST_F(ReminderStoreTest, CompletingUnknownOrCompletedIdsChangesNothing) {
  const Reminder plain = store_.CreateReminder("plain", 1000, "none", "normal");
  store_.CompleteReminder(plain.id, 5000);
  EXPECT_NO_THROW(store_.CompleteReminder(plain.id, 5000));
  EXPECT_NO_THROW(store_.CompleteReminder(plain.id + 100, 5000));
  EXPECT_NO_THROW(store_.DeleteReminder(plain.id + 100));
  EXPECT_EQ(Peek(path_).Column("SELECT count(*) FROM reminders WHERE completed = 1;"),
            std::vector<std::string>{"1"});
}

TEST_F(ReminderStoreTest, CompletingPastTheRepresentableRangeFailsCleanly) {
  constexpr int64_t kYear3000LastNoonUtc = 32'535'172'800'000;
  const Reminder late = store_.CreateReminder("late", kYear3000LastNoonUtc, "daily", "normal");
  try {
    store_.CompleteReminder(late.id, kYear3000LastNoonUtc);
    FAIL() << "expected a failure";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "Unable to calculate the next reminder time.");
  }
  EXPECT_EQ(store_.ListOpenReminders().at(0).dueAt, kYear3000LastNoonUtc);
}

TEST_F(ReminderStoreTest, ClaimTakesEachDueReminderOnce) {
  const Reminder b = store_.CreateReminder("b", 2000, "none", "normal");
  const Reminder a = store_.CreateReminder("a", 1000, "none", "normal");
  store_.CreateReminder("later", 9000, "none", "normal");

  const auto claimed = store_.TakeDueReminders(2000);
  ASSERT_EQ(claimed.size(), 2u);
  EXPECT_EQ(claimed[0].id, a.id);
  EXPECT_EQ(claimed[1].id, b.id);
  EXPECT_FALSE(claimed[0].notified);  // as read, before marking
  EXPECT_TRUE(store_.TakeDueReminders(2000).empty());

  // A snooze clears notified so the reminder is claimed again at its new time.
  store_.RescheduleReminder(a.id, 3000);
  EXPECT_TRUE(store_.TakeDueReminders(2999).empty());
  const auto again = store_.TakeDueReminders(3000);
  ASSERT_EQ(again.size(), 1u);
  EXPECT_EQ(again[0].id, a.id);
}

TEST_F(ReminderStoreTest, ClaimIsAllOrNothing) {
  store_.CreateReminder("a", 1000, "none", "normal");
  const Reminder b = store_.CreateReminder("b", 2000, "none", "normal");
  Peek peek(path_);
  peek.Exec("CREATE TRIGGER refuse_b BEFORE UPDATE OF notified ON reminders WHEN NEW.id = " +
            std::to_string(b.id) + " BEGIN SELECT RAISE(ABORT, 'claim refused'); END;");
  try {
    store_.TakeDueReminders(5000);
    FAIL() << "expected a failure";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "claim refused");
  }
  EXPECT_EQ(peek.Column("SELECT count(*) FROM reminders WHERE notified = 1;"),
            std::vector<std::string>{"0"});

  peek.Exec("DROP TRIGGER refuse_b;");
  EXPECT_EQ(store_.TakeDueReminders(5000).size(), 2u);  // no transaction was left open
}

TEST_F(ReminderStoreTest, DeleteRemovesTheRow) {
  const Reminder a = store_.CreateReminder("a", 1000, "none", "normal");
  store_.DeleteReminder(a.id);
  EXPECT_TRUE(store_.ListOpenReminders().empty());
}

// Leaves a database for the sqlite3 shell check when asked to.
TEST(ReminderStoreForShell, WritesDatabaseWhenAsked) {
  const char* target = std::getenv("NUBO_SHELL_CHECK_DB");
  if (target == nullptr) GTEST_SKIP() << "only run by the shell check";
  ReminderStore store;
  store.Open(Utf8ToUtf16(target));
  store.CreateReminder("喝水", 1000, "daily", "important");
  store.PutSetting("pet.name", "可爱朵朵");
}

// Reads back the row that the shell check wrote with bytes that are not UTF-8.
TEST(ReminderStoreForShell, RepairsTheShellsRowWhenAsked) {
  const char* target = std::getenv("NUBO_SHELL_CHECK_DB");
  if (target == nullptr) GTEST_SKIP() << "only run by the shell check";
  ReminderStore store;
  store.Open(Utf8ToUtf16(target));
  const std::vector<Reminder> open = store.ListOpenReminders();
  ASSERT_EQ(open.size(), 2u);
  EXPECT_EQ(open[1].title, "A\xEF\xBF\xBD\xEF\xBF\xBD\xE5\x96\x9D");
  EXPECT_EQ(open[1].priority, "\xEF\xBF\xBD");
}

}  // namespace
}  // namespace nubo
