#pragma once

#include <string_view>

#include <nlohmann/json.hpp>

namespace nubo {

class NetworkService;

// Handles "network.interfaces", "network.start", "network.stop",
// "network.send" and "network.poll" and returns the reply for the sending
// window. Exceptions of "network.interfaces" and a type outside these five
// reach the caller (the dispatcher's outer catch).
nlohmann::json RouteNetworkRequest(NetworkService& service, std::string_view type, const nlohmann::json& payload);

}  // namespace nubo
