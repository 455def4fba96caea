#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace nubo {

// Hexadecimal text typed by the user into bytes: white space and the
// separators "-", ":" and "_" are skipped anywhere, one "0x"/"0X" prefix is
// skipped before the first digit, digits pair up high half first. At most
// 64 KiB. False with the user-facing reason on any fault.
bool NetworkParseSendHex(std::string_view text, std::vector<uint8_t>& bytes, std::string& error);

}  // namespace nubo
