#include "store/repeat_rules.h"

#include <ctime>
#include <stdexcept>
#include <string>

#include "store/store_texts.h"

namespace nubo {
namespace {

[[noreturn]] void FailNextTime() { throw std::runtime_error(std::string(store_text::kNextTimeFailed)); }

bool ToLocalTime(int64_t seconds, std::tm& out) {
  const __time64_t value = seconds;
  return _localtime64_s(&out, &value) == 0;
}

int LocalWeekday(int64_t unixMilliseconds) {
  std::tm local{};
  if (!ToLocalTime(unixMilliseconds / 1000, local)) FailNextTime();
  return local.tm_wday;
}

bool IsWeekend(int weekday) { return weekday == 0 || weekday == 6; }

}  // namespace

bool IsRepeatingRule(std::string_view rule) {
  return rule == "daily" || rule == "weekdays" || rule == "weekly";
}

int64_t AddLocalDays(int64_t unixMilliseconds, int days) {
  const int64_t seconds = unixMilliseconds / 1000;
  const int64_t remainder = unixMilliseconds % 1000;
  std::tm local{};
  if (!ToLocalTime(seconds, local)) FailNextTime();
  local.tm_mday += days;
  local.tm_isdst = -1;
  const __time64_t moved = _mktime64(&local);
  // Also refuse a result that local time cannot represent again (some C
  // runtimes give times past year 3000 from mktime but not back from localtime).
  std::tm check{};
  if (moved == static_cast<__time64_t>(-1) || !ToLocalTime(moved, check)) {
    FailNextTime();
  }
  return static_cast<int64_t>(moved) * 1000 + remainder;
}

int64_t NextRepeatDueAt(int64_t dueAt, std::string_view rule, int64_t now) {
  const int step = rule == "weekly" ? 7 : 1;
  do {
    dueAt = AddLocalDays(dueAt, step);
    if (rule == "weekdays") {
      while (IsWeekend(LocalWeekday(dueAt))) dueAt = AddLocalDays(dueAt, 1);
    }
  } while (dueAt <= now);
  return dueAt;
}

}  // namespace nubo
