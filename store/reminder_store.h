#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "store/reminder.h"
#include "store/sqlite_handles.h"

namespace nubo {

// The application database: reminders and key/value settings. Every operation
// holds the store's mutex from start to end and raises a standard runtime
// error carrying SQLite's message on failure.
class ReminderStore {
 public:
  void Open(const std::wstring& databasePath);
  bool IsOpen() const;

  std::optional<std::string> GetSetting(std::string_view key);
  void PutSetting(std::string_view key, std::string_view value);
  // Stores every pair in one transaction: all of them or none.
  void PutSettings(std::initializer_list<std::pair<std::string_view, std::string_view>> settings);

  std::vector<Reminder> ListOpenReminders();
  Reminder CreateReminder(std::string_view title, int64_t dueAt, std::string_view repeatRule,
                          std::string_view priority);
  void CompleteReminder(int64_t id, int64_t now);
  void DeleteReminder(int64_t id);
  void RescheduleReminder(int64_t id, int64_t dueAt);

  // Claims every due reminder at once: all are marked notified or none is.
  std::vector<Reminder> TakeDueReminders(int64_t now);

 private:
  void Execute(const char* sql);
  bool ColumnExists(std::string_view table, std::string_view column);
  SqliteStatement Prepare(const char* sql);
  [[noreturn]] void RaiseLastError();
  void StepDone(const SqliteStatement& statement);
  void UpsertSetting(std::string_view key, std::string_view value);
  // Runs work inside one immediate transaction, rolled back when it throws.
  void InTransaction(const std::function<void()>& work);

  mutable std::mutex mutex_;
  SqliteConnection db_;
};

}  // namespace nubo
