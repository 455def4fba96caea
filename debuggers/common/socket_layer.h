#pragma once

// A thin layer of plain functions over Winsock 2 and the IP Helper adapter
// list for the communication debuggers. No function throws or keeps state between
// calls. Every function takes, last, an optional pointer `err` that receives
// 0 on success or the Winsock/Win32 code of the failure; arguments that are
// null, out of range or of the wrong kind give 10022 (WSAEINVAL) before any
// system call.

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstddef>
#include <cstdint>

#include "debuggers/common/ipv4_text.h"
#include "store/unique_handle.h"

namespace nubo {

// Statuses of the I/O operations.
inline constexpr int kNetDone = 0;
inline constexpr int kNetWouldBlock = 1;
inline constexpr int kNetInProgress = 2;
inline constexpr int kNetClosed = 3;
inline constexpr int kNetFailed = -1;

// One socket address of either family with the socket type and protocol it
// was resolved or accepted for. length 0 means an empty record.
struct NetAddress {
  unsigned char storage[128];
  int32_t length;
  int32_t family;
  int32_t socketType;  // SOCK_STREAM, SOCK_DGRAM or 0 when unknown
  int32_t protocol;    // IPPROTO_TCP or IPPROTO_UDP
};

struct NetIpv4Interface {
  char name[768];    // UTF-8
  char address[16];  // dotted quad
  uint32_t index;
  int32_t loopback;
};

// One socket of a readiness wait: wantRead/wantWrite in, the rest out.
struct NetSelectEntry {
  SOCKET socket;
  int32_t wantRead;
  int32_t wantWrite;
  int32_t readable;
  int32_t writable;
  int32_t hasError;
};

// Boolean operations return 1 or 0.
SOCKET NetSocket(const NetAddress* address, int* err);
void NetClose(SOCKET socket);
void NetShutdown(SOCKET socket);
int NetSetNonBlocking(SOCKET socket, int flag, int* err);
int NetSetExclusiveAddressUse(SOCKET socket, int* err);
// Urgent TCP data arrives in the ordinary stream instead of as an exception.
int NetSetOobInline(SOCKET socket, int* err);
// A datagram that met a closed port no longer fails the next receive.
int NetDisableUdpResetReports(SOCKET socket, int* err);
int NetBind(SOCKET socket, const NetAddress* address, int* err);
int NetListen(SOCKET socket, int backlog, int* err);
// The new socket, or INVALID_SOCKET with status kNetWouldBlock or kNetFailed.
SOCKET NetAccept(SOCKET socket, NetAddress* peer, int* status, int* err);
// kNetDone, kNetInProgress or kNetFailed.
int NetConnect(SOCKET socket, const NetAddress* address, int* err);
int NetGetSocketError(SOCKET socket, int32_t* value, int* err);
int NetGetLocalAddress(SOCKET socket, NetAddress* address, int* err);
int NetGetPeerAddress(SOCKET socket, NetAddress* address, int* err);
// Numeric host text and port; no name look-up.
int NetAddressToText(const NetAddress* address, char* host, size_t hostSize, uint16_t* port, int* err);
int NetAddressFamilyVersion(const NetAddress* address);  // 4, 6 or 0
int NetIsLoopbackAddress(const NetAddress* address);      // 127.0.0.0/8 or ::1

// Statuses: kNetDone with the length, kNetWouldBlock, kNetClosed (stream
// ended), kNetFailed. A datagram of zero bytes is kNetDone with length 0.
int NetRecv(SOCKET socket, void* buffer, size_t size, size_t* length, int* err);
int NetRecvFrom(SOCKET socket, void* buffer, size_t size, size_t* length, NetAddress* sender, int* err);
// kNetDone with the bytes taken (maybe fewer), kNetWouldBlock, kNetClosed
// when nothing was taken, kNetFailed.
int NetSend(SOCKET socket, const void* data, size_t length, size_t* sent, int* err);
int NetSendTo(SOCKET socket, const void* data, size_t length, const NetAddress* target, size_t* sent,
              int* err);

// At most 63 entries; every socket is also watched for errors. The number of
// ready sockets, or -1.
int NetSelect(NetSelectEntry* entries, size_t count, uint32_t timeoutMs, int* err);

// The up IPv4 adapter addresses; -1 with 234 when more than capacity exist.
int NetListIpv4Interfaces(NetIpv4Interface* interfaces, size_t capacity, int* err);
// Empty or "0.0.0.0" (any interface), or the address of an up local adapter.
int NetValidateLocalIpv4Interface(const char* text, int* err);
int NetSetMulticastSendOptions(SOCKET socket, const char* interfaceText, int ttl, int* err);
int NetSetMulticastMembership(SOCKET socket, const char* groupText, const char* interfaceText, int join,
                              int* err);

struct SocketTraits {
  using Value = SOCKET;
  static Value Invalid() { return INVALID_SOCKET; }
  static bool IsValid(Value value) { return value != INVALID_SOCKET; }
  static void Close(Value value) { NetClose(value); }
};
// Owns a socket; closes it when dropped.
using SocketHandle = UniqueHandle<SocketTraits>;

// Shuts the connection down in both directions, then closes it.
void ShutdownAndClose(SocketHandle& socket);

struct WinsockSessionTraits {
  using Value = bool;
  static Value Invalid() { return false; }
  static bool IsValid(Value started) { return started; }
  static void Close(Value) { WSACleanup(); }
};
// One use of Winsock: cleaned up when dropped. Made only by StartWinsock.
using WinsockSession = UniqueHandle<WinsockSessionTraits>;

// Starts Winsock 2.2 exactly (else 10092); an empty session on failure.
WinsockSession StartWinsock(int* err);

}  // namespace nubo
