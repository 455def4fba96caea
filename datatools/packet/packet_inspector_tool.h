#pragma once

#include <string>
#include <string_view>

// The "packet-inspector" tool of the text tools: a hexadecimal dump of one
// frame or packet in, the decoded result as one compact JSON text out.
namespace nubo {

// Success: output holds the JSON text and message is empty. Failure: message
// holds the user's sentence and output is empty.
struct PacketInspectorOutcome {
  bool success = false;
  std::string output;
  std::string message;
};

// operation: the start layer ("auto", "ethernet", "ipv4", "ipv6", "tcp",
// "udp", "raw"); input: the hexadecimal text. Never throws for bad input;
// only a failed allocation escapes.
PacketInspectorOutcome InspectPacketHexDump(std::string_view input, std::string_view operation);

}  // namespace nubo
