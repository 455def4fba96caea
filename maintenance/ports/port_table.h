#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "maintenance/ports/port_entry.h"
#include "maintenance/ports/process_name.h"

namespace nubo {

// One call of a table function: buffer null to learn the size, else a buffer
// of size bytes; answers a Win32 status and updates size when it is too small.
using OwnerTableQuery = std::function<uint32_t(void* buffer, uint32_t& size)>;

// GetExtendedTcpTable (IPv4, every state, owner pids) and GetExtendedUdpTable (IPv4, owner pids).
uint32_t QueryTcpOwnerTable(void* buffer, uint32_t& size);
uint32_t QueryUdpOwnerTable(void* buffer, uint32_t& size);

// Append the rows of a table in table order; an unreadable table adds none.
void ReadTcpPortTable(std::vector<PortEntry>& list,
                      const OwnerTableQuery& query = QueryTcpOwnerTable);
void ReadUdpPortTable(std::vector<PortEntry>& list,
                      const OwnerTableQuery& query = QueryUdpOwnerTable);

// Every IPv4 TCP and UDP row of the machine, sorted by ComparePortEntries.
std::vector<PortEntry> ListPorts();

// address in network byte order.
std::string FormatIpv4Address(uint32_t address, bool allowWildcard);

std::string TcpStateName(uint32_t state);

}  // namespace nubo
