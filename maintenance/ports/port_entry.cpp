#include "maintenance/ports/port_entry.h"

namespace nubo {

nlohmann::json PortEntryToJson(const PortEntry& entry) {
  return nlohmann::json{{"protocol", entry.protocol},
                        {"localAddress", entry.localAddress},
                        {"localPort", entry.localPort},
                        {"remoteAddress", entry.remoteAddress},
                        {"remotePort", entry.remotePort},
                        {"state", entry.state},
                        {"processId", entry.processId},
                        {"processName", entry.processName}};
}

bool ComparePortEntries(const PortEntry& a, const PortEntry& b) {
  if (a.localPort != b.localPort) return a.localPort < b.localPort;
  if (a.protocol != b.protocol) return a.protocol < b.protocol;
  return a.processId < b.processId;
}

}  // namespace nubo
