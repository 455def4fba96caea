#pragma once

#include <string_view>

#include "datatools/tool_result.h"

// The "packet-inspector" tool of the text tools: a hexadecimal dump of one
// frame or packet in, the decoded result as one compact JSON text out.
namespace nubo {

// operation: the start layer ("auto", "ethernet", "ipv4", "ipv6", "tcp",
// "udp", "raw"); input: the hexadecimal text. Success: the output is the JSON
// text; failure: the message is the user's sentence. Never throws for bad
// input; only a failed allocation escapes.
ToolResult InspectPacketHexDump(std::string_view input, std::string_view operation);

}  // namespace nubo
