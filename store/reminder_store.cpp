#include "store/reminder_store.h"

#include <stdexcept>

#include "store/file_utils.h"
#include "store/repeat_rules.h"
#include "store/text_convert.h"
#include "store/utf8.h"

namespace nubo {
namespace {

constexpr char kOpenFailed[] = "Unable to open reminder database.";
constexpr char kGenericSqliteError[] = "SQLite error";

constexpr const char* kSchemaStatements[] = {
    "PRAGMA journal_mode=WAL;",
    "PRAGMA foreign_keys=ON;",
    "CREATE TABLE IF NOT EXISTS reminders (id INTEGER PRIMARY KEY AUTOINCREMENT,title TEXT NOT "
    "NULL,due_at INTEGER NOT NULL,completed INTEGER NOT NULL DEFAULT 0,notified INTEGER NOT NULL "
    "DEFAULT 0,repeat_rule TEXT NOT NULL DEFAULT 'none',priority TEXT NOT NULL DEFAULT "
    "'normal',created_at INTEGER NOT NULL);",
};
constexpr char kAddRepeatRule[] =
    "ALTER TABLE reminders ADD COLUMN repeat_rule TEXT NOT NULL DEFAULT 'none';";
constexpr char kAddPriority[] =
    "ALTER TABLE reminders ADD COLUMN priority TEXT NOT NULL DEFAULT 'normal';";
constexpr char kCreateSettings[] =
    "CREATE TABLE IF NOT EXISTS app_settings (key TEXT PRIMARY KEY,value TEXT NOT NULL);";
constexpr char kCreateDueIndex[] =
    "CREATE INDEX IF NOT EXISTS idx_reminders_due ON reminders(completed, notified, due_at);";

constexpr char kSelectSetting[] = "SELECT value FROM app_settings WHERE key = ?;";
constexpr char kUpsertSetting[] =
    "INSERT INTO app_settings(key, value) VALUES(?, ?) ON CONFLICT(key) DO UPDATE SET value = "
    "excluded.value;";
constexpr char kSelectOpen[] =
    "SELECT id, title, due_at, completed, notified, repeat_rule, priority FROM reminders WHERE "
    "completed = 0 ORDER BY due_at ASC;";
constexpr char kInsertReminder[] =
    "INSERT INTO reminders(title, due_at, completed, notified, repeat_rule, priority, "
    "created_at) VALUES (?, ?, 0, 0, ?, ?, ?);";
constexpr char kSelectForComplete[] =
    "SELECT due_at, repeat_rule FROM reminders WHERE id = ? AND completed = 0;";
constexpr char kMarkCompleted[] = "UPDATE reminders SET completed = 1 WHERE id = ?;";
constexpr char kMoveDue[] = "UPDATE reminders SET due_at = ?, notified = 0 WHERE id = ?;";
constexpr char kDeleteReminder[] = "DELETE FROM reminders WHERE id = ?;";
constexpr char kBegin[] = "BEGIN IMMEDIATE TRANSACTION;";
constexpr char kSelectDue[] =
    "SELECT id, title, due_at, completed, notified, repeat_rule, priority FROM reminders WHERE "
    "completed = 0 AND notified = 0 AND due_at <= ? ORDER BY due_at ASC;";
constexpr char kMarkNotified[] = "UPDATE reminders SET notified = 1 WHERE id = ?;";
constexpr char kCommit[] = "COMMIT;";
constexpr char kRollback[] = "ROLLBACK;";

Reminder ReadReminder(sqlite3_stmt* stmt) {
  Reminder reminder;
  reminder.id = sqlite3_column_int64(stmt, 0);
  // Rows written by other programs may hold bytes that are not UTF-8; the
  // texts travel on to the windows, so they are repaired here.
  reminder.title = RepairUtf8(ColumnText(stmt, 1));
  reminder.dueAt = sqlite3_column_int64(stmt, 2);
  reminder.completed = sqlite3_column_int64(stmt, 3) != 0;
  reminder.notified = sqlite3_column_int64(stmt, 4) != 0;
  reminder.repeatRule = RepairUtf8(ColumnText(stmt, 5, "none"));
  reminder.priority = RepairUtf8(ColumnText(stmt, 6, "normal"));
  return reminder;
}

}  // namespace

void ReminderStore::Open(const std::wstring& databasePath) {
  std::lock_guard lock(mutex_);
  if (db_) return;
  const std::string path = Utf16ToUtf8(databasePath);
  SqliteConnection connection;
  const int rc = sqlite3_open_v2(path.c_str(), connection.out(),
                                 SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                                 nullptr);
  if (rc != SQLITE_OK) {
    if (!connection) throw std::runtime_error(kOpenFailed);
    throw std::runtime_error(sqlite3_errmsg(connection.get()));
  }
  db_ = std::move(connection);
  try {
    for (const char* sql : kSchemaStatements) Execute(sql);
    if (!ColumnExists("reminders", "repeat_rule")) Execute(kAddRepeatRule);
    if (!ColumnExists("reminders", "priority")) Execute(kAddPriority);
    Execute(kCreateSettings);
    Execute(kCreateDueIndex);
  } catch (...) {
    db_.reset();
    throw;
  }
}

bool ReminderStore::IsOpen() const {
  std::lock_guard lock(mutex_);
  return static_cast<bool>(db_);
}

void ReminderStore::RaiseLastError() {
  const char* message = db_ ? sqlite3_errmsg(db_.get()) : nullptr;
  throw std::runtime_error(message != nullptr ? message : kGenericSqliteError);
}

void ReminderStore::Execute(const char* sql) {
  if (!db_) throw std::runtime_error(kOpenFailed);
  char* error = nullptr;
  if (sqlite3_exec(db_.get(), sql, nullptr, nullptr, &error) == SQLITE_OK) return;
  const std::string message = error != nullptr ? error : kGenericSqliteError;
  sqlite3_free(error);
  throw std::runtime_error(message);
}

SqliteStatement ReminderStore::Prepare(const char* sql) {
  if (!db_) throw std::runtime_error(kOpenFailed);
  SqliteStatement statement;
  if (sqlite3_prepare_v2(db_.get(), sql, -1, statement.out(), nullptr) != SQLITE_OK) {
    RaiseLastError();
  }
  return statement;
}

void ReminderStore::StepDone(const SqliteStatement& statement) {
  if (sqlite3_step(statement.get()) != SQLITE_DONE) RaiseLastError();
}

namespace {

void BindText(sqlite3_stmt* stmt, int index, std::string_view text) {
  // Bound with its byte length: a NUL byte inside the text is kept.
  sqlite3_bind_text64(stmt, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
}

}  // namespace

bool ReminderStore::ColumnExists(std::string_view table, std::string_view column) {
  const std::string sql = "PRAGMA table_info(" + std::string(table) + ");";
  SqliteStatement statement = Prepare(sql.c_str());
  for (;;) {
    const int rc = sqlite3_step(statement.get());
    if (rc == SQLITE_DONE) return false;
    if (rc != SQLITE_ROW) RaiseLastError();
    if (ColumnText(statement.get(), 1) == column) return true;
  }
}

std::optional<std::string> ReminderStore::GetSetting(std::string_view key) {
  std::lock_guard lock(mutex_);
  SqliteStatement statement = Prepare(kSelectSetting);
  BindText(statement.get(), 1, key);
  const int rc = sqlite3_step(statement.get());
  if (rc == SQLITE_DONE) return std::nullopt;
  if (rc != SQLITE_ROW) RaiseLastError();
  return ColumnText(statement.get(), 0);
}

void ReminderStore::InTransaction(const std::function<void()>& work) {
  Execute(kBegin);
  try {
    work();
    Execute(kCommit);
  } catch (...) {
    char* ignored = nullptr;
    sqlite3_exec(db_.get(), kRollback, nullptr, nullptr, &ignored);
    sqlite3_free(ignored);
    throw;
  }
}

void ReminderStore::UpsertSetting(std::string_view key, std::string_view value) {
  SqliteStatement statement = Prepare(kUpsertSetting);
  BindText(statement.get(), 1, key);
  BindText(statement.get(), 2, value);
  StepDone(statement);
}

void ReminderStore::PutSetting(std::string_view key, std::string_view value) {
  std::lock_guard lock(mutex_);
  UpsertSetting(key, value);
}

void ReminderStore::PutSettings(
    std::initializer_list<std::pair<std::string_view, std::string_view>> settings) {
  std::lock_guard lock(mutex_);
  InTransaction([&] {
    for (const auto& [key, value] : settings) UpsertSetting(key, value);
  });
}

std::vector<Reminder> ReminderStore::ListOpenReminders() {
  std::lock_guard lock(mutex_);
  SqliteStatement statement = Prepare(kSelectOpen);
  std::vector<Reminder> reminders;
  for (;;) {
    const int rc = sqlite3_step(statement.get());
    if (rc == SQLITE_DONE) return reminders;
    if (rc != SQLITE_ROW) RaiseLastError();
    reminders.push_back(ReadReminder(statement.get()));
  }
}

Reminder ReminderStore::CreateReminder(std::string_view title, int64_t dueAt,
                                       std::string_view repeatRule, std::string_view priority) {
  std::lock_guard lock(mutex_);
  SqliteStatement statement = Prepare(kInsertReminder);
  BindText(statement.get(), 1, title);
  sqlite3_bind_int64(statement.get(), 2, dueAt);
  BindText(statement.get(), 3, repeatRule);
  BindText(statement.get(), 4, priority);
  sqlite3_bind_int64(statement.get(), 5, NowMilliseconds());
  StepDone(statement);

  Reminder reminder;
  reminder.id = sqlite3_last_insert_rowid(db_.get());
  reminder.title = std::string(title);
  reminder.dueAt = dueAt;
  reminder.repeatRule = std::string(repeatRule);
  reminder.priority = std::string(priority);
  return reminder;
}

void ReminderStore::CompleteReminder(int64_t id, int64_t now) {
  std::lock_guard lock(mutex_);
  int64_t dueAt = 0;
  std::string rule;
  {
    SqliteStatement select = Prepare(kSelectForComplete);
    sqlite3_bind_int64(select.get(), 1, id);
    const int rc = sqlite3_step(select.get());
    if (rc == SQLITE_DONE) return;
    if (rc != SQLITE_ROW) RaiseLastError();
    dueAt = sqlite3_column_int64(select.get(), 0);
    rule = ColumnText(select.get(), 1, "none");
  }
  if (!IsRepeatingRule(rule)) {
    SqliteStatement update = Prepare(kMarkCompleted);
    sqlite3_bind_int64(update.get(), 1, id);
    StepDone(update);
    return;
  }
  const int64_t nextDue = NextRepeatDueAt(dueAt, rule, now);
  SqliteStatement update = Prepare(kMoveDue);
  sqlite3_bind_int64(update.get(), 1, nextDue);
  sqlite3_bind_int64(update.get(), 2, id);
  StepDone(update);
}

void ReminderStore::DeleteReminder(int64_t id) {
  std::lock_guard lock(mutex_);
  SqliteStatement statement = Prepare(kDeleteReminder);
  sqlite3_bind_int64(statement.get(), 1, id);
  StepDone(statement);
}

void ReminderStore::RescheduleReminder(int64_t id, int64_t dueAt) {
  std::lock_guard lock(mutex_);
  SqliteStatement statement = Prepare(kMoveDue);
  sqlite3_bind_int64(statement.get(), 1, dueAt);
  sqlite3_bind_int64(statement.get(), 2, id);
  StepDone(statement);
}

std::vector<Reminder> ReminderStore::TakeDueReminders(int64_t now) {
  std::lock_guard lock(mutex_);
  std::vector<Reminder> due;
  InTransaction([&] {
    {
      SqliteStatement select = Prepare(kSelectDue);
      sqlite3_bind_int64(select.get(), 1, now);
      for (;;) {
        const int rc = sqlite3_step(select.get());
        if (rc == SQLITE_DONE) break;
        if (rc != SQLITE_ROW) RaiseLastError();
        due.push_back(ReadReminder(select.get()));
      }
    }
    SqliteStatement mark = Prepare(kMarkNotified);
    for (const Reminder& reminder : due) {
      sqlite3_reset(mark.get());
      sqlite3_clear_bindings(mark.get());
      sqlite3_bind_int64(mark.get(), 1, reminder.id);
      StepDone(mark);
    }
  });
  return due;
}

}  // namespace nubo
