#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "debuggers/common/net_resolve.h"
#include "debuggers/common/socket_layer.h"
#include "tests/debuggers/common/support/fake_resolver.h"

namespace nubo {
namespace {

class SocketLayerTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(winsock_ = StartWinsock(nullptr)); }

  WinsockSession winsock_;

  static NetAddress Loopback(int socketType, uint16_t port = 0) {
    NetAddress address{};
    sockaddr_in v4{};
    v4.sin_family = AF_INET;
    v4.sin_port = htons(port);
    v4.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::memcpy(address.storage, &v4, sizeof(v4));
    address.length = sizeof(v4);
    address.family = AF_INET;
    address.socketType = socketType;
    address.protocol = socketType == SOCK_STREAM ? IPPROTO_TCP : IPPROTO_UDP;
    return address;
  }

  static NetAddress Wildcard(int socketType) {
    NetAddress address = Loopback(socketType);
    sockaddr_in v4{};
    std::memcpy(&v4, address.storage, sizeof(v4));
    v4.sin_addr.s_addr = htonl(INADDR_ANY);
    std::memcpy(address.storage, &v4, sizeof(v4));
    return address;
  }

  static SocketHandle Bound(const NetAddress& address) {
    SocketHandle socket(NetSocket(&address, nullptr));
    EXPECT_TRUE(socket);
    EXPECT_EQ(NetBind(socket.get(), &address, nullptr), 1);
    return socket;
  }
};

TEST_F(SocketLayerTest, ArgumentsAreCheckedBeforeAnySystemCall) {
  int err = 0;
  EXPECT_EQ(NetSocket(nullptr, &err), INVALID_SOCKET);
  EXPECT_EQ(err, 10022);
  NetAddress empty{};
  EXPECT_EQ(NetBind(INVALID_SOCKET, &empty, &err), 0);
  EXPECT_EQ(err, 10022);
  char buffer[4];
  size_t length = 9;
  EXPECT_EQ(NetRecv(INVALID_SOCKET, nullptr, 4, &length, &err), kNetFailed);
  EXPECT_EQ(err, 10022);
  EXPECT_EQ(length, 0u);
  EXPECT_EQ(NetRecv(INVALID_SOCKET, buffer, 0, nullptr, &err), kNetFailed);
  EXPECT_EQ(NetSend(INVALID_SOCKET, nullptr, 1, nullptr, &err), kNetFailed);
  EXPECT_EQ(err, 10022);
  EXPECT_EQ(NetSendTo(INVALID_SOCKET, buffer, 1, nullptr, nullptr, &err), kNetFailed);
  EXPECT_EQ(NetGetSocketError(INVALID_SOCKET, nullptr, &err), 0);
  const NetAddress loopback = Loopback(SOCK_STREAM);
  uint16_t port = 0;
  EXPECT_EQ(NetAddressToText(&loopback, buffer, 0, &port, &err), 0);
  EXPECT_EQ(err, 10022);
  EXPECT_EQ(NetConnect(INVALID_SOCKET, nullptr, &err), kNetFailed);
  EXPECT_EQ(err, 10022);
  EXPECT_EQ(NetAddressFamilyVersion(nullptr), 0);
  EXPECT_EQ(NetIsLoopbackAddress(nullptr), 0);
  NetClose(INVALID_SOCKET);  // ignored
  NetShutdown(INVALID_SOCKET);
}

TEST_F(SocketLayerTest, SelectTakesAtMost63Sockets) {
  std::vector<SocketHandle> sockets;
  std::vector<NetSelectEntry> entries;
  for (int i = 0; i < 64; ++i) {
    sockets.push_back(Bound(Loopback(SOCK_DGRAM)));
    entries.push_back(NetSelectEntry{sockets.back().get(), 1, 0, 7, 7, 7});
  }
  int err = 0;
  EXPECT_EQ(NetSelect(entries.data(), 64, 0, &err), -1);
  EXPECT_EQ(err, 10022);
  EXPECT_EQ(entries[0].readable, 7);  // refused before anything was touched
  EXPECT_EQ(NetSelect(entries.data(), 63, 0, &err), 0);
  EXPECT_EQ(err, 0);
  EXPECT_EQ(entries[0].readable, 0);
  EXPECT_EQ(NetSelect(nullptr, 1, 0, &err), -1);
  EXPECT_EQ(NetSelect(entries.data(), 1, 0x80000000u, &err), -1);
}

TEST_F(SocketLayerTest, ReceiveStatusesOfStreamsAndDatagrams) {
  const NetAddress loopback = Loopback(SOCK_STREAM);
  SocketHandle listener = Bound(loopback);
  ASSERT_EQ(NetListen(listener.get(), 1, nullptr), 1);
  NetAddress listening{};
  ASSERT_EQ(NetGetLocalAddress(listener.get(), &listening, nullptr), 1);
  EXPECT_EQ(listening.socketType, 0);
  listening.socketType = SOCK_STREAM;
  listening.protocol = IPPROTO_TCP;
  SocketHandle client(NetSocket(&listening, nullptr));
  ASSERT_EQ(NetConnect(client.get(), &listening, nullptr), kNetDone);
  NetAddress peer{};
  int status = -5;
  SocketHandle accepted(NetAccept(listener.get(), &peer, &status, nullptr));
  ASSERT_TRUE(accepted);
  EXPECT_EQ(status, kNetDone);
  EXPECT_EQ(peer.socketType, SOCK_STREAM);
  EXPECT_EQ(NetIsLoopbackAddress(&peer), 1);
  ASSERT_EQ(NetSetNonBlocking(accepted.get(), 1, nullptr), 1);
  char buffer[16];
  size_t length = 0;
  int err = 0;
  EXPECT_EQ(NetRecv(accepted.get(), buffer, sizeof(buffer), &length, &err), kNetWouldBlock);
  EXPECT_EQ(err, 10035);
  ASSERT_EQ(NetSetNonBlocking(listener.get(), 1, nullptr), 1);
  EXPECT_EQ(NetAccept(listener.get(), nullptr, &status, &err), INVALID_SOCKET);
  EXPECT_EQ(status, kNetWouldBlock);
  ShutdownAndClose(client);
  ASSERT_EQ(NetSetNonBlocking(accepted.get(), 0, nullptr), 1);
  EXPECT_EQ(NetRecv(accepted.get(), buffer, sizeof(buffer), &length, &err), kNetClosed);
  EXPECT_EQ(length, 0u);

  SocketHandle receiver = Bound(Loopback(SOCK_DGRAM));
  SocketHandle sender = Bound(Loopback(SOCK_DGRAM));
  NetAddress target{};
  ASSERT_EQ(NetGetLocalAddress(receiver.get(), &target, nullptr), 1);
  size_t sent = 9;
  EXPECT_EQ(NetSendTo(sender.get(), nullptr, 0, &target, &sent, &err), kNetClosed);  // the system took 0 bytes
  NetAddress from{};
  length = 9;
  EXPECT_EQ(NetRecvFrom(receiver.get(), buffer, sizeof(buffer), &length, &from, &err), kNetDone);
  EXPECT_EQ(length, 0u);
  EXPECT_EQ(from.socketType, SOCK_DGRAM);
  EXPECT_EQ(from.protocol, IPPROTO_UDP);
  char host[64];
  uint16_t port = 0;
  ASSERT_EQ(NetAddressToText(&from, host, sizeof(host), &port, nullptr), 1);
  EXPECT_STREQ(host, "127.0.0.1");
  EXPECT_NE(port, 0);
}

TEST_F(SocketLayerTest, AddressTextOfIpv6AndFamilyVersions) {
  NetAddress address{};
  sockaddr_in6 v6{};
  v6.sin6_family = AF_INET6;
  v6.sin6_port = htons(8080);
  v6.sin6_addr.s6_addr[15] = 1;
  std::memcpy(address.storage, &v6, sizeof(v6));
  address.length = sizeof(v6);
  address.family = AF_INET6;
  char host[64];
  uint16_t port = 0;
  ASSERT_EQ(NetAddressToText(&address, host, sizeof(host), &port, nullptr), 1);
  EXPECT_STREQ(host, "::1");
  EXPECT_EQ(port, 8080);
  EXPECT_EQ(NetAddressFamilyVersion(&address), 6);
  EXPECT_EQ(NetIsLoopbackAddress(&address), 1);
  const NetAddress v4 = Loopback(SOCK_DGRAM);
  EXPECT_EQ(NetAddressFamilyVersion(&v4), 4);
}

TEST_F(SocketLayerTest, LocalInterfaceValidation) {
  int err = -1;
  for (const char* any : {static_cast<const char*>(nullptr), "", "0.0.0.0"}) {
    EXPECT_EQ(NetValidateLocalIpv4Interface(any, &err), 1);
    EXPECT_EQ(err, 0);
  }
  EXPECT_EQ(NetValidateLocalIpv4Interface("127.0.0.1", &err), 1);
  EXPECT_EQ(NetValidateLocalIpv4Interface("0.1.2.3", &err), 0);
  EXPECT_EQ(err, 10022);
  EXPECT_EQ(NetValidateLocalIpv4Interface("127.0.0.01", &err), 0);
  EXPECT_EQ(err, 10022);
  EXPECT_EQ(NetValidateLocalIpv4Interface("203.0.113.77", &err), 0);
  EXPECT_EQ(err, 10049);
}

TEST_F(SocketLayerTest, InterfaceListFitsExactlyOrFailsWhole) {
  std::vector<NetIpv4Interface> list(128);
  int err = -1;
  const int count = NetListIpv4Interfaces(list.data(), list.size(), &err);
  ASSERT_GE(count, 1);
  EXPECT_EQ(err, 0);
  EXPECT_EQ(NetListIpv4Interfaces(list.data(), static_cast<size_t>(count), &err), count);
  if (count > 1) {  // a test namespace holds loopback only
    EXPECT_EQ(NetListIpv4Interfaces(list.data(), static_cast<size_t>(count - 1), &err), -1);
    EXPECT_EQ(err, 234);
  }
  EXPECT_EQ(NetListIpv4Interfaces(list.data(), 129, &err), -1);
  EXPECT_EQ(err, 10022);
  EXPECT_EQ(NetListIpv4Interfaces(nullptr, 1, &err), -1);
}

TEST_F(SocketLayerTest, MulticastOptionRules) {
  int err = 0;
  SocketHandle loopbackBound = Bound(Loopback(SOCK_DGRAM));
  EXPECT_EQ(NetSetMulticastSendOptions(loopbackBound.get(), "127.0.0.1", 255, &err), 1);
  EXPECT_EQ(NetSetMulticastSendOptions(loopbackBound.get(), "127.0.0.1", 256, &err), 0);
  EXPECT_EQ(err, 10022);
  EXPECT_EQ(NetSetMulticastSendOptions(loopbackBound.get(), "203.0.113.77", 1, &err), 0);
  EXPECT_EQ(err, 10049);
  EXPECT_EQ(NetSetMulticastMembership(loopbackBound.get(), "239.1.2.3", "127.0.0.1", 1, &err), 0);
  EXPECT_EQ(err, 10022);  // bound to 127.0.0.1, not to the wildcard address
  EXPECT_EQ(NetSetMulticastMembership(loopbackBound.get(), "223.255.255.255", "", 1, &err), 0);
  EXPECT_EQ(err, 10022);
  SocketHandle wildcard = Bound(Wildcard(SOCK_DGRAM));
  err = 10022;
  NetSetMulticastMembership(wildcard.get(), "239.1.2.3", "127.0.0.1", 1, &err);
  EXPECT_NE(err, 10022);  // reached the system
  SocketHandle stream = Bound(Wildcard(SOCK_STREAM));
  EXPECT_EQ(NetSetMulticastMembership(stream.get(), "239.1.2.3", "", 0, &err), 0);
  EXPECT_EQ(err, 10022);
}

class ResolveTest : public SocketLayerTest {
 protected:
  void SetUp() override {
    SocketLayerTest::SetUp();
    testing::ResetFakeResolver();
  }
  int Resolve(const char* host, int kind = kNetResolveTcp, int passive = 0, const std::atomic<bool>* abandon = nullptr) {
    return NetResolveThrough(testing::FakeResolver(), host, 7, kind, passive, addresses_, 16, abandon, &err_);
  }
  NetAddress addresses_[16]{};
  int err_ = 0;
};

TEST_F(ResolveTest, ArgumentChecks) {
  EXPECT_EQ(NetResolve("127.0.0.1", 1, 1, 0, addresses_, 0, &err_), -1);
  EXPECT_EQ(err_, 10022);
  EXPECT_EQ(NetResolve("127.0.0.1", 1, 1, 0, addresses_, 17, &err_), -1);
  EXPECT_EQ(NetResolve("127.0.0.1", 1, 3, 0, addresses_, 1, &err_), -1);
  EXPECT_EQ(NetResolve("127.0.0.1", 1, 1, 0, nullptr, 1, &err_), -1);
  EXPECT_EQ(NetResolve(std::string(256, 'a').c_str(), 1, 1, 0, addresses_, 1, &err_), -1);
  EXPECT_EQ(err_, 10022);
  EXPECT_EQ(NetResolve("\xff\xfe", 1, 1, 0, addresses_, 1, &err_), -1);
  EXPECT_EQ(err_, 10022);
}

TEST_F(ResolveTest, LoopbackAndWildcardAnswers) {
  ASSERT_EQ(NetResolve("127.0.0.1", 80, kNetResolveUdp, 0, addresses_, 16, &err_), 1);
  EXPECT_EQ(addresses_[0].socketType, SOCK_DGRAM);
  EXPECT_EQ(addresses_[0].protocol, IPPROTO_UDP);
  char host[64];
  uint16_t port = 0;
  ASSERT_EQ(NetAddressToText(&addresses_[0], host, sizeof(host), &port, nullptr), 1);
  EXPECT_STREQ(host, "127.0.0.1");
  EXPECT_EQ(port, 80);

  const int loopbacks = NetResolve("", 80, kNetResolveTcp, 0, addresses_, 16, &err_);
  ASSERT_GE(loopbacks, 1);
  for (int i = 0; i < loopbacks; ++i) EXPECT_EQ(NetIsLoopbackAddress(&addresses_[i]), 1);
  const int wildcards = NetResolve(nullptr, 80, kNetResolveTcp, 1, addresses_, 16, &err_);
  ASSERT_GE(wildcards, 1);
  for (int i = 0; i < wildcards; ++i) {
    ASSERT_EQ(NetAddressToText(&addresses_[i], host, sizeof(host), &port, nullptr), 1);
    EXPECT_TRUE(std::string(host) == "0.0.0.0" || std::string(host) == "::") << host;
  }
}

TEST_F(ResolveTest, ImmediateAnswersAndFailures) {
  ASSERT_EQ(Resolve("group.test", kNetResolveUdp), 1);
  EXPECT_EQ(addresses_[0].family, AF_INET);
  EXPECT_EQ(addresses_[0].socketType, SOCK_DGRAM);
  EXPECT_EQ(Resolve("empty.test"), -1);
  EXPECT_EQ(err_, 10047);
  EXPECT_EQ(testing::FakeResultsFreed(), 2);
  std::thread late([] {
    // Past the resolver's own time-out, so a look-up that never pends fails the test below.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (testing::PendingLookups() == 0 && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    testing::CompletePendingLookups(11001);
  });
  EXPECT_EQ(Resolve("held.test"), -1);
  late.join();
  EXPECT_EQ(err_, 11001);
}

TEST_F(ResolveTest, TimeOutReturnsAndTheLateCompletionFreesTheRequest) {
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Resolve("silent.test"), -1);
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(err_, 10060);
  EXPECT_GE(waited, std::chrono::milliseconds(4900));
  EXPECT_LT(waited, std::chrono::milliseconds(6500));
  EXPECT_EQ(testing::CancelCalls(), 0);  // no cancel handle was written, as under Wine
  winsock_.reset();                       // the request keeps its own Winsock start-up
  EXPECT_EQ(testing::CompletePendingLookups(0), 1);
  EXPECT_EQ(testing::FakeResultsFreed(), 1);
  ASSERT_TRUE(winsock_ = StartWinsock(nullptr));
}

TEST_F(ResolveTest, AbandonEndsTheWaitAndCancelsThroughTheGivenHandle) {
  std::atomic<bool> abandon{false};
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    abandon = true;
  });
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Resolve("cancellable.test", kNetResolveTcp, 0, &abandon), -1);
  stopper.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
  EXPECT_EQ(err_, 10103);
  EXPECT_EQ(testing::CancelCalls(), 1);
  EXPECT_EQ(testing::CompletePendingLookups(WSA_E_CANCELLED), 1);
  EXPECT_EQ(testing::FakeResultsFreed(), 0);  // a cancelled look-up has no result list
}

}  // namespace
}  // namespace nubo
