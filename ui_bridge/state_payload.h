#pragma once

#include <nlohmann/json.hpp>

#include "store/reminder.h"

namespace nubo {

// The JSON form of one reminder, as state.sync and reminder.triggered carry it.
nlohmann::json ReminderToJson(const Reminder& reminder);

}  // namespace nubo
