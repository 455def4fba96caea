#include "maintenance/ports/port_table.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "maintenance/ports/port_texts.h"
#include "store/resizing_query.h"

namespace nubo {
namespace {

constexpr size_t kAddressTextChars = 22;

// The first read goes straight into a buffer of this size (about 2,700 TCP or
// 5,400 UDP rows) and asks for the size only when the table is larger: each
// call builds the whole table, owner ids included, which is slow under Wine.
constexpr uint32_t kFirstReadBytes = 64 * 1024;

// Visits each row of a table read into bytes, never past the buffer even when
// the row count claims more.
template <typename Row, typename Visit>
void ForEachRow(const std::vector<unsigned char>& bytes, Visit&& visit) {
  constexpr size_t kRowsOffset = sizeof(DWORD);  // dwNumEntries, then the rows
  if (bytes.size() < kRowsOffset) return;
  DWORD count = 0;
  std::memcpy(&count, bytes.data(), sizeof(count));
  const size_t fitting = (bytes.size() - kRowsOffset) / sizeof(Row);
  const size_t rows = std::min<size_t>(count, fitting);
  for (size_t i = 0; i < rows; ++i) {
    Row row;
    std::memcpy(&row, bytes.data() + kRowsOffset + i * sizeof(Row), sizeof(Row));
    visit(row);
  }
}

uint16_t PortFromRow(DWORD networkOrderPort) {
  return ntohs(static_cast<u_short>(networkOrderPort & 0xFFFF));
}

// Reads one owner table and appends its rows in table order, each with the
// name of its owning process, looked up afresh for every row (a pid can be
// reused while the listing runs); an unreadable table appends nothing.
template <typename Row, typename Convert>
void AppendTableRows(std::vector<PortEntry>& list, const OwnerTableQuery& query,
                     Convert&& convert) {
  const ResizingQueryResult table = RunResizingQuery(query, kFirstReadBytes, ERROR_INSUFFICIENT_BUFFER);
  if (!table.ok) return;
  ForEachRow<Row>(table.bytes, [&](const Row& row) {
    PortEntry entry = convert(row);
    entry.processId = row.dwOwningPid;
    entry.processName = ProcessNameFromPid(row.dwOwningPid);
    list.push_back(std::move(entry));
  });
}

}  // namespace

uint32_t QueryTcpOwnerTable(void* buffer, uint32_t& size) {
  DWORD bytes = size;
  const DWORD status =
      GetExtendedTcpTable(buffer, &bytes, FALSE, AF_INET, TCP_TABLE_OWNER_PID_ALL, 0);
  size = bytes;
  return status;
}

uint32_t QueryUdpOwnerTable(void* buffer, uint32_t& size) {
  DWORD bytes = size;
  const DWORD status = GetExtendedUdpTable(buffer, &bytes, FALSE, AF_INET, UDP_TABLE_OWNER_PID, 0);
  size = bytes;
  return status;
}

void ReadTcpPortTable(std::vector<PortEntry>& list, const OwnerTableQuery& query) {
  AppendTableRows<MIB_TCPROW_OWNER_PID>(list, query, [](const MIB_TCPROW_OWNER_PID& row) {
    PortEntry entry;
    entry.protocol = port_texts::kTcp;
    entry.localAddress = FormatIpv4Address(row.dwLocalAddr, true);
    entry.localPort = PortFromRow(row.dwLocalPort);
    entry.remoteAddress = FormatIpv4Address(row.dwRemoteAddr, true);
    entry.remotePort = PortFromRow(row.dwRemotePort);
    entry.state = TcpStateName(row.dwState);
    return entry;
  });
}

void ReadUdpPortTable(std::vector<PortEntry>& list, const OwnerTableQuery& query) {
  AppendTableRows<MIB_UDPROW_OWNER_PID>(list, query, [](const MIB_UDPROW_OWNER_PID& row) {
    PortEntry entry;
    entry.protocol = port_texts::kUdp;
    entry.localAddress = FormatIpv4Address(row.dwLocalAddr, true);
    entry.localPort = PortFromRow(row.dwLocalPort);
    entry.remoteAddress = port_texts::kNoRemoteAddress;
    entry.remotePort = 0;
    entry.state = port_texts::kListening;
    return entry;
  });
}

std::vector<PortEntry> ListPorts() {
  std::vector<PortEntry> list;
  ReadTcpPortTable(list);
  ReadUdpPortTable(list);
  std::sort(list.begin(), list.end(), ComparePortEntries);
  return list;
}

std::string FormatIpv4Address(uint32_t address, bool allowWildcard) {
  IN_ADDR value{};
  value.S_un.S_addr = address;
  char text[kAddressTextChars] = {};
  if (inet_ntop(AF_INET, &value, text, sizeof(text)) == nullptr) {
    return std::string(port_texts::kUnformattableAddress);
  }
  if (allowWildcard && address == 0) return std::string(port_texts::kWildcardAddress);
  return text;
}

std::string TcpStateName(uint32_t state) {
  if (state == 0 || state >= port_texts::kTcpStateWords.size()) {
    return std::string(port_texts::kUnknownState);
  }
  return std::string(port_texts::kTcpStateWords[state]);
}

}  // namespace nubo
