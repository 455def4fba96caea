#pragma once

#include <string>
#include <string_view>

namespace nubo {

// The Winsock form of an operating-system failure:
// operation + "失败（Winsock " + decimal code + "）。".
std::string NetworkFormatWinsockError(std::string_view operation, int code);

}  // namespace nubo
