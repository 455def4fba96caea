#pragma once

#include <cstdint>
#include <string_view>

namespace nubo {

// True for the rules that move a reminder on instead of completing it.
bool IsRepeatingRule(std::string_view rule);

// Moves a Unix-millisecond time by whole local calendar days, keeping the time
// of day across daylight-saving changes. Raises "Unable to calculate the next
// reminder time." when the local-time conversion fails either way.
int64_t AddLocalDays(int64_t unixMilliseconds, int days);

// The next due time of a repeating reminder strictly after now.
int64_t NextRepeatDueAt(int64_t dueAt, std::string_view rule, int64_t now);

}  // namespace nubo
