#pragma once

#include <nlohmann/json.hpp>

#include "debuggers/network/network_types.h"

namespace nubo {

nlohmann::json NetworkSnapshotToJson(const NetworkSnapshot& snapshot);
// peerId is written as decimal text, or "" when it is 0.
nlohmann::json NetworkEventToJson(const NetworkEvent& event);

}  // namespace nubo
