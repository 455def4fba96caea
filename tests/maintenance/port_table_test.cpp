#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <vector>

#include "maintenance/ports/port_table.h"
#include "maintenance/ports/port_texts.h"
#include "store/resizing_query.h"
#include "tests/support/case_name.h"

namespace nubo {
namespace {

// ---- Real sockets bound by the test --------------------------------------

class Socket {
 public:
  explicit Socket(int type) : socket_(::socket(AF_INET, type, type == SOCK_STREAM ? IPPROTO_TCP : IPPROTO_UDP)) {
    if (socket_ == INVALID_SOCKET) throw std::runtime_error("socket failed");
  }
  explicit Socket(SOCKET adopted) : socket_(adopted) {}
  ~Socket() {
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
  }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;

  SOCKET get() const { return socket_; }

  uint16_t Bind(const char* address, uint16_t port = 0) {
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    inet_pton(AF_INET, address, &local.sin_addr);
    if (bind(socket_, reinterpret_cast<const sockaddr*>(&local), sizeof(local)) != 0) {
      throw std::runtime_error("bind failed: " + std::to_string(WSAGetLastError()));
    }
    return LocalPort();
  }

  uint16_t LocalPort() const {
    sockaddr_in local{};
    int length = sizeof(local);
    getsockname(socket_, reinterpret_cast<sockaddr*>(&local), &length);
    return ntohs(local.sin_port);
  }

 private:
  SOCKET socket_;
};

class PortsOnThisMachine : public ::testing::Test {
 protected:
  void SetUp() override {
    WSADATA data{};
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
  }
  void TearDown() override { WSACleanup(); }

  // One row as the listing should show it; the owner is checked apart.
  struct Expected {
    const char* protocol;
    const char* localAddress;
    uint16_t localPort;
    const char* remoteAddress;
    uint16_t remotePort;
    const char* state;

    bool Is(const PortEntry& e) const {
      return e.protocol == protocol && e.localAddress == localAddress && e.localPort == localPort &&
             e.remoteAddress == remoteAddress && e.remotePort == remotePort && e.state == state;
    }
  };

  static size_t CountOf(const std::vector<PortEntry>& listing, const Expected& row) {
    return std::count_if(listing.begin(), listing.end(), [&](const PortEntry& e) { return row.Is(e); });
  }

  static std::vector<PortEntry>::const_iterator Find(const std::vector<PortEntry>& listing, const Expected& row) {
    return std::find_if(listing.begin(), listing.end(), [&](const PortEntry& e) { return row.Is(e); });
  }

  // Rows are told apart by everything the listing shows: on a busy machine
  // other sockets can hold the same port number on another address or, for a
  // connection, towards another peer. Under Wine the tables are read from
  // /proc/net, which is no snapshot while other connections come and go: a row
  // can be read twice or not at all, so the listing is read again, a few times
  // at most, until every expected row shows once.
  static std::vector<PortEntry> ListingWith(std::initializer_list<Expected> rows) {
    constexpr int kListingReads = 5;
    std::vector<PortEntry> listing;
    for (int read = 0; read < kListingReads; ++read) {
      listing = ListPorts();
      if (std::all_of(rows.begin(), rows.end(), [&](const Expected& row) { return CountOf(listing, row) == 1; })) {
        break;
      }
    }
    return listing;
  }

  // The row shows once, owned by this program: under Wine the program's own
  // sockets show no owner (pid 0); Windows names this program.
  static void ExpectOnceOwnedByThisProgram(const std::vector<PortEntry>& listing, const Expected& row) {
    ASSERT_EQ(CountOf(listing, row), 1u) << row.protocol << " " << row.localAddress << ":" << row.localPort;
    const PortEntry& entry = *Find(listing, row);
    if (entry.processId == 0) {
      EXPECT_EQ(entry.processName, "System Idle");
    } else {
      EXPECT_EQ(entry.processId, GetCurrentProcessId());
      EXPECT_EQ(entry.processName, "ports_tests.exe");
    }
  }
};

TEST_F(PortsOnThisMachine, WildcardListenerShowsStarsAndListening) {
  Socket listener(SOCK_STREAM);
  const uint16_t port = listener.Bind("0.0.0.0");
  ASSERT_EQ(listen(listener.get(), 4), 0);

  const Expected row{"TCP", "*", port, "*", 0, "监听"};
  ExpectOnceOwnedByThisProgram(ListingWith({row}), row);
}

TEST_F(PortsOnThisMachine, EstablishedLoopbackPairShowsBothEnds) {
  Socket listener(SOCK_STREAM);
  const uint16_t serverPort = listener.Bind("127.0.0.1");
  ASSERT_EQ(listen(listener.get(), 4), 0);
  Socket client(SOCK_STREAM);
  sockaddr_in server{};
  server.sin_family = AF_INET;
  server.sin_port = htons(serverPort);
  inet_pton(AF_INET, "127.0.0.1", &server.sin_addr);
  ASSERT_EQ(connect(client.get(), reinterpret_cast<const sockaddr*>(&server), sizeof(server)), 0);
  Socket accepted(accept(listener.get(), nullptr, nullptr));
  ASSERT_NE(accepted.get(), INVALID_SOCKET);
  const uint16_t clientPort = client.LocalPort();

  // The server port holds the listener and the accepted connection.
  const std::initializer_list<Expected> rows = {{"TCP", "127.0.0.1", clientPort, "127.0.0.1", serverPort, "已连接"},
                                                {"TCP", "127.0.0.1", serverPort, "127.0.0.1", clientPort, "已连接"},
                                                {"TCP", "127.0.0.1", serverPort, "*", 0, "监听"}};
  const std::vector<PortEntry> listing = ListingWith(rows);
  for (const Expected& row : rows) ExpectOnceOwnedByThisProgram(listing, row);
}

TEST_F(PortsOnThisMachine, UdpSocketsShowDashAndListening) {
  Socket loopback(SOCK_DGRAM);
  const uint16_t loopbackPort = loopback.Bind("127.0.0.1");
  Socket wildcard(SOCK_DGRAM);
  const uint16_t wildcardPort = wildcard.Bind("0.0.0.0");

  const std::initializer_list<Expected> rows = {{"UDP", "127.0.0.1", loopbackPort, "—", 0, "监听"},
                                                {"UDP", "*", wildcardPort, "—", 0, "监听"}};
  const std::vector<PortEntry> listing = ListingWith(rows);
  for (const Expected& row : rows) ExpectOnceOwnedByThisProgram(listing, row);
}

TEST_F(PortsOnThisMachine, ListIsSortedWithTcpBeforeUdpOnOnePort) {
  Socket tcp(SOCK_STREAM);
  const uint16_t port = tcp.Bind("127.0.0.1");
  ASSERT_EQ(listen(tcp.get(), 4), 0);
  Socket udp(SOCK_DGRAM);
  udp.Bind("127.0.0.1", port);
  Socket higher(SOCK_DGRAM);
  higher.Bind("127.0.0.1");

  const Expected tcpRow{"TCP", "127.0.0.1", port, "*", 0, "监听"};
  const Expected udpRow{"UDP", "127.0.0.1", port, "—", 0, "监听"};
  const Expected higherRow{"UDP", "127.0.0.1", higher.LocalPort(), "—", 0, "监听"};
  const std::vector<PortEntry> list = ListingWith({tcpRow, udpRow, higherRow});
  EXPECT_TRUE(std::is_sorted(list.begin(), list.end(), ComparePortEntries));
  const auto position = [&](const Expected& row) { return Find(list, row) - list.begin(); };
  const auto tcpAt = position(tcpRow);
  const auto udpAt = position(udpRow);
  ASSERT_LT(tcpAt, static_cast<std::ptrdiff_t>(list.size()));
  ASSERT_LT(udpAt, static_cast<std::ptrdiff_t>(list.size()));
  EXPECT_LT(tcpAt, udpAt);
  const auto higherAt = position(higherRow);
  if (higher.LocalPort() > port) {
    EXPECT_LT(udpAt, higherAt);
  } else {
    EXPECT_GT(tcpAt, higherAt);
  }
}

// ---- Order, formatting and state words -----------------------------------

PortEntry Row(const char* protocol, uint16_t port, uint32_t pid, const char* address = "*") {
  PortEntry entry;
  entry.protocol = protocol;
  entry.localPort = port;
  entry.processId = pid;
  entry.localAddress = address;
  return entry;
}

TEST(ComparePortEntries, PortThenProtocolThenProcess) {
  std::vector<PortEntry> rows = {Row("TCP", 443, 1), Row("UDP", 80, 1), Row("TCP", 80, 9),
                                 Row("TCP", 80, 2), Row("UDP", 53, 7)};
  std::sort(rows.begin(), rows.end(), ComparePortEntries);
  const std::vector<std::string> order = [&] {
    std::vector<std::string> keys;
    for (const PortEntry& r : rows) {
      keys.push_back(std::to_string(r.localPort) + r.protocol + std::to_string(r.processId));
    }
    return keys;
  }();
  EXPECT_EQ(order, (std::vector<std::string>{"53UDP7", "80TCP2", "80TCP9", "80UDP1", "443TCP1"}));
}

TEST(ComparePortEntries, AddressesAndStatesTakeNoPart) {
  PortEntry a = Row("TCP", 80, 5, "10.0.0.1");
  PortEntry b = Row("TCP", 80, 5, "127.0.0.1");
  a.state = "监听";
  b.state = "已连接";
  EXPECT_FALSE(ComparePortEntries(a, b));
  EXPECT_FALSE(ComparePortEntries(b, a));
}

struct AddressCase {
  const char* name;
  uint8_t bytes[4];
  bool wildcard;
  const char* text;
};

class Ipv4Formatting : public ::testing::TestWithParam<AddressCase> {};

TEST_P(Ipv4Formatting, FormatsNetworkOrderAddress) {
  uint32_t address = 0;
  std::memcpy(&address, GetParam().bytes, sizeof(address));  // network order in memory
  EXPECT_EQ(FormatIpv4Address(address, GetParam().wildcard), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    FormatIpv4Address, Ipv4Formatting,
    ::testing::Values(AddressCase{"WildcardAllowed", {0, 0, 0, 0}, true, "*"},
                      AddressCase{"WildcardNotAllowed", {0, 0, 0, 0}, false, "0.0.0.0"},
                      AddressCase{"Loopback", {127, 0, 0, 1}, true, "127.0.0.1"},
                      AddressCase{"ByteOrder", {10, 20, 30, 40}, true, "10.20.30.40"},
                      AddressCase{"Broadcast", {255, 255, 255, 255}, true, "255.255.255.255"}),
    testing::CaseName());

TEST(TcpStateName, EveryStateWord) {
  const std::vector<std::string> words = {"未知",     "已关闭",   "监听",     "正在连接", "正在握手",
                                          "已连接",   "正在关闭", "正在关闭", "等待关闭", "关闭中",
                                          "最后确认", "等待释放", "删除中",   "未知"};
  for (uint32_t state = 0; state < words.size(); ++state) {
    EXPECT_EQ(TcpStateName(state), words[state]) << "state " << state;
  }
  EXPECT_EQ(TcpStateName(0xFFFFFFFF), "未知");
}

TEST(ProcessNameFromPid, NamesAndFallbacks) {
  EXPECT_EQ(ProcessNameFromPid(0), "System Idle");
  EXPECT_EQ(ProcessNameFromPid(4), "System");
  EXPECT_EQ(ProcessNameFromPid(GetCurrentProcessId()), "ports_tests.exe");
  EXPECT_EQ(ProcessNameFromPid(0xFFFFFFF0), "PID 4294967280");
}

// ---- Tables as the system hands them over ---------------------------------

std::vector<unsigned char> TcpTableBytes(const std::vector<MIB_TCPROW_OWNER_PID>& rows,
                                         DWORD claimedRows) {
  std::vector<unsigned char> bytes(sizeof(DWORD) + rows.size() * sizeof(MIB_TCPROW_OWNER_PID));
  std::memcpy(bytes.data(), &claimedRows, sizeof(DWORD));
  if (!rows.empty()) std::memcpy(bytes.data() + sizeof(DWORD), rows.data(), rows.size() * sizeof(rows[0]));
  return bytes;
}

std::vector<unsigned char> UdpTableBytes(const std::vector<MIB_UDPROW_OWNER_PID>& rows) {
  const DWORD count = static_cast<DWORD>(rows.size());
  std::vector<unsigned char> bytes(sizeof(DWORD) + rows.size() * sizeof(MIB_UDPROW_OWNER_PID));
  std::memcpy(bytes.data(), &count, sizeof(DWORD));
  std::memcpy(bytes.data() + sizeof(DWORD), rows.data(), rows.size() * sizeof(rows[0]));
  return bytes;
}

MIB_TCPROW_OWNER_PID TcpRow(const char* local, uint16_t localPort, const char* remote,
                            uint16_t remotePort, DWORD state, DWORD pid) {
  MIB_TCPROW_OWNER_PID row{};
  inet_pton(AF_INET, local, &row.dwLocalAddr);
  inet_pton(AF_INET, remote, &row.dwRemoteAddr);
  row.dwLocalPort = htons(localPort);
  row.dwRemotePort = htons(remotePort);
  row.dwState = state;
  row.dwOwningPid = pid;
  return row;
}

// Answers like the table functions, handing out the tables in turn: each
// call that finds its buffer too small reports the size of the next table.
class FakeTable {
 public:
  explicit FakeTable(std::vector<std::vector<unsigned char>> tables) : tables_(std::move(tables)) {}

  OwnerTableQuery Query() {
    return [this](void* buffer, uint32_t& size) -> uint32_t {
      ++calls_;
      const std::vector<unsigned char>& table = tables_[std::min(next_, tables_.size() - 1)];
      if (buffer == nullptr || size < table.size()) {
        size = static_cast<uint32_t>(table.size());
        if (next_ + 1 < tables_.size()) ++next_;  // grows before the next read
        return ERROR_INSUFFICIENT_BUFFER;
      }
      std::memcpy(buffer, table.data(), table.size());
      return NO_ERROR;
    };
  }
  int calls() const { return calls_; }

 private:
  std::vector<std::vector<unsigned char>> tables_;
  size_t next_ = 0;
  int calls_ = 0;
};

TEST(ReadTcpPortTable, ConvertsRowsInTableOrder) {
  FakeTable table({TcpTableBytes({TcpRow("0.0.0.0", 135, "0.0.0.0", 0, MIB_TCP_STATE_LISTEN, 0),
                                  TcpRow("127.0.0.1", 50000, "10.1.2.3", 443, MIB_TCP_STATE_ESTAB, 4),
                                  TcpRow("192.168.1.9", 0x1234, "0.0.0.0", 0, 99, 0xFFFFFFF0)},
                                 3)});
  std::vector<PortEntry> list;
  ReadTcpPortTable(list, table.Query());
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(PortEntryToJson(list[0]).dump(),
            R"({"localAddress":"*","localPort":135,"processId":0,"processName":"System Idle",)"
            R"("protocol":"TCP","remoteAddress":"*","remotePort":0,"state":"监听"})");
  EXPECT_EQ(PortEntryToJson(list[1]).dump(),
            R"({"localAddress":"127.0.0.1","localPort":50000,"processId":4,"processName":"System",)"
            R"("protocol":"TCP","remoteAddress":"10.1.2.3","remotePort":443,"state":"已连接"})");
  EXPECT_EQ(list[2].localPort, 0x1234);
  EXPECT_EQ(list[2].state, "未知");
  EXPECT_EQ(list[2].processName, "PID 4294967280");
  EXPECT_EQ(table.calls(), 1);  // a small table fits the first read
}

TEST(ReadUdpPortTable, ConvertsRows) {
  MIB_UDPROW_OWNER_PID row{};
  inet_pton(AF_INET, "127.0.0.1", &row.dwLocalAddr);
  row.dwLocalPort = htons(5353);
  row.dwOwningPid = 0;
  FakeTable table({UdpTableBytes({row})});
  std::vector<PortEntry> list;
  ReadUdpPortTable(list, table.Query());
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(PortEntryToJson(list[0]).dump(),
            R"({"localAddress":"127.0.0.1","localPort":5353,"processId":0,"processName":"System Idle",)"
            R"("protocol":"UDP","remoteAddress":"—","remotePort":0,"state":"监听"})");
}

// Tables beyond the first read's buffer (64 KiB, 2,730 TCP rows).
std::vector<unsigned char> ListenerTable(size_t rows) {
  std::vector<MIB_TCPROW_OWNER_PID> listeners;
  for (size_t i = 0; i < rows; ++i) {
    listeners.push_back(TcpRow("127.0.0.1", static_cast<uint16_t>(1000 + i), "0.0.0.0", 0, 2, 0));
  }
  return TcpTableBytes(listeners, static_cast<DWORD>(rows));
}

TEST(ReadTcpPortTable, LargeTableIsReadWithTheReportedSize) {
  FakeTable table({ListenerTable(3000)});
  std::vector<PortEntry> list;
  ReadTcpPortTable(list, table.Query());
  EXPECT_EQ(list.size(), 3000u);
  EXPECT_EQ(table.calls(), 2);
}

TEST(ReadTcpPortTable, TableThatGrewIsReadAgainWithTheNewSize) {
  FakeTable table({ListenerTable(3000), ListenerTable(3100)});
  std::vector<PortEntry> list;
  ReadTcpPortTable(list, table.Query());
  ASSERT_EQ(list.size(), 3100u);
  EXPECT_EQ(list.back().localPort, 1000 + 3099);
  EXPECT_EQ(table.calls(), 3);  // too small, found grown, read
}

TEST(ReadTcpPortTable, TableThatKeepsGrowingGivesUpAfterFewAttempts) {
  std::vector<std::vector<unsigned char>> tables;
  for (size_t rows = 3000; rows < 3020; ++rows) tables.push_back(ListenerTable(rows));
  FakeTable table(tables);
  std::vector<PortEntry> list;
  ReadTcpPortTable(list, table.Query());
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(table.calls(), kResizingQueryAttempts);
}

TEST(ReadTcpPortTable, RowCountBeyondTheBufferReadsOnlyWhatIsThere) {
  std::vector<unsigned char> bytes = ListenerTable(3000);  // larger than the first read
  const DWORD claimed = 5000;
  std::memcpy(bytes.data(), &claimed, sizeof(claimed));
  FakeTable table({bytes});
  std::vector<PortEntry> list;
  ReadTcpPortTable(list, table.Query());
  ASSERT_EQ(list.size(), 3000u);
  EXPECT_EQ(list.back().localPort, 1000 + 2999);
}

TEST(ReadTcpPortTable, UnreadableOrEmptyTableAddsNothing) {
  std::vector<PortEntry> list = {Row("UDP", 1, 0)};
  int calls = 0;
  ReadTcpPortTable(list, [&](void*, uint32_t&) -> uint32_t {
    ++calls;
    return ERROR_NOT_SUPPORTED;
  });
  ReadTcpPortTable(list, [&](void*, uint32_t& size) -> uint32_t {
    ++calls;
    size = 0;
    return ERROR_INSUFFICIENT_BUFFER;
  });
  EXPECT_EQ(list.size(), 1u);  // appended to, never cleared
  EXPECT_EQ(calls, 2);
}

TEST(RunResizingQuery, StartsFromAGivenSizeAndReportsTheReadSize) {
  int calls = 0;
  const ResizingQueryResult result = RunResizingQuery(
      [&](void* buffer, uint32_t& size) -> uint32_t {
        ++calls;
        if (size < 48) {
          size = 48;
          return ERROR_BUFFER_OVERFLOW;
        }
        std::memset(buffer, 0xAB, 40);
        size = 40;
        return NO_ERROR;
      },
      16, ERROR_BUFFER_OVERFLOW);
  ASSERT_TRUE(result.ok);
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(result.bytes.size(), 48u);
  EXPECT_EQ(result.reportedBytes, 40u);
  EXPECT_EQ(result.bytes[39], 0xAB);
  EXPECT_EQ(result.bytes[40], 0);  // zeroed beyond what was written
}

TEST(RunResizingQuery, OtherStatusOrNoGrowthIsAFailure) {
  const auto refuse = [](void*, uint32_t&) -> uint32_t { return ERROR_ACCESS_DENIED; };
  EXPECT_FALSE(RunResizingQuery(refuse, 16, ERROR_BUFFER_OVERFLOW).ok);
  const auto sizeQuerySucceeds = [](void*, uint32_t&) -> uint32_t { return NO_ERROR; };
  EXPECT_FALSE(RunResizingQuery(sizeQuerySucceeds, 0, ERROR_INSUFFICIENT_BUFFER).ok);
}

}  // namespace
}  // namespace nubo
