#pragma once

#include <string>
#include <string_view>

#include "debuggers/network/network_types.h"

namespace nubo {

// "localhost", "::1" or any text beginning "127.", ignoring case and brackets.
bool IsLoopbackHostText(std::string_view host);

// Removes the brackets of a text longer than 2 bytes written as "[...]".
std::string StripHostBrackets(std::string host);

// Normalises (an empty local host of a server or UDP session becomes
// 127.0.0.1) and checks a session configuration; throws
// std::invalid_argument with the sentence of the first rule it breaks.
void CheckNetworkSessionConfig(NetworkSessionConfig& config);

}  // namespace nubo
