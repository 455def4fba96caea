#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace nubo {

// One open IPv4 TCP connection or listener, or one UDP endpoint.
struct PortEntry {
  std::string protocol;       // "TCP" or "UDP"
  std::string localAddress;   // dotted text, "*" for the wildcard, "?" when unformattable
  uint16_t localPort = 0;     // host byte order
  std::string remoteAddress;  // TCP: as localAddress; UDP: "—"
  uint16_t remotePort = 0;    // UDP: 0
  std::string state;          // TCP state word; UDP: "监听"
  uint32_t processId = 0;
  std::string processName;
};

// Answer of a termination: refusals are results, never exceptions.
struct PortTerminateResult {
  bool ok = false;
  std::string message;
};

// Where the rows of the port tables come from: the machine's tables for the
// program, a table of the tests' own making in tests.
using PortTableSource = std::function<std::vector<PortEntry>()>;

nlohmann::json PortEntryToJson(const PortEntry& entry);

// Local port, then protocol text bytewise, then process id; addresses and
// states take no part.
bool ComparePortEntries(const PortEntry& a, const PortEntry& b);

}  // namespace nubo
