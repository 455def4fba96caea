#pragma once

#include <nlohmann/json.hpp>

#include "characters/wardrobe.h"
#include "store/reminder.h"

namespace nubo {

// The JSON form of one reminder, as state.sync and reminder.triggered carry it.
nlohmann::json ReminderToJson(const Reminder& reminder);

// The characters as state.sync lists them: the packaged one (when its picture
// ships), the built-in one, then the wardrobe's own.
nlohmann::json WardrobeToJson(const Wardrobe& wardrobe);

}  // namespace nubo
