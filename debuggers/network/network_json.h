#pragma once

#include <string_view>

#include <nlohmann/json.hpp>

#include "debuggers/network/network_types.h"

namespace nubo {

// The mode's name in requests and snapshots: "tcp-client", "tcp-server" or "udp".
std::string_view NetworkModeText(NetworkMode mode);
// False for any other text.
bool ParseNetworkMode(std::string_view text, NetworkMode& mode);
// "stopped", "starting", "connecting", "connected", "listening", "ready" or "error".
std::string_view NetworkStateText(NetworkState state);

nlohmann::json NetworkSnapshotToJson(const NetworkSnapshot& snapshot);
// peerId is written as decimal text, or "" when it is 0.
nlohmann::json NetworkEventToJson(const NetworkEvent& event);

}  // namespace nubo
