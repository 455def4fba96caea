#include "debuggers/common/socket_layer.h"

#include <mswsock.h>

#include <climits>
#include <cstdio>
#include <cstring>

#include "debuggers/common/socket_layer_detail.h"

namespace nubo {

using net_detail::FillAddress;
using net_detail::kInvalidArgument;
using net_detail::LastSocketError;
using net_detail::Refuse;
using net_detail::SetError;

namespace {

constexpr int kMaxAddressLength = 128;
constexpr size_t kMaxSelectEntries = 63;

bool ValidAddress(const NetAddress* address) {
  return address != nullptr && address->length > 0 && address->length <= kMaxAddressLength;
}

int SetIntOption(SOCKET socket, int level, int name, int value, int* err) {
  if (setsockopt(socket, level, name, reinterpret_cast<const char*>(&value), sizeof(value)) != 0) {
    return Refuse(err, LastSocketError());
  }
  SetError(err, 0);
  return 1;
}

using NameQuery = int(WSAAPI*)(SOCKET, sockaddr*, int*);

int QueryAddress(NameQuery query, SOCKET socket, NetAddress* address, int* err) {
  if (address == nullptr) return Refuse(err, kInvalidArgument);
  sockaddr_storage storage{};
  int length = sizeof(storage);
  if (query(socket, reinterpret_cast<sockaddr*>(&storage), &length) != 0) {
    return Refuse(err, LastSocketError());
  }
  if (length < 1 || length > kMaxAddressLength) return Refuse(err, WSAEAFNOSUPPORT);
  FillAddress(address, reinterpret_cast<const sockaddr*>(&storage), length, 0, 0);
  SetError(err, 0);
  return 1;
}

// The status of a failed receive or send call.
int FailedIoStatus(int* err) {
  const int code = LastSocketError();
  SetError(err, code);
  return code == WSAEWOULDBLOCK ? kNetWouldBlock : kNetFailed;
}

}  // namespace

WinsockSession StartWinsock(int* err) {
  WSADATA data{};
  const int code = WSAStartup(MAKEWORD(2, 2), &data);
  if (code != 0) {
    SetError(err, code);
    return WinsockSession();
  }
  WinsockSession session(true);
  if (data.wVersion != MAKEWORD(2, 2)) {
    session.reset();
    SetError(err, WSAVERNOTSUPPORTED);
    return session;
  }
  SetError(err, 0);
  return session;
}

SOCKET NetSocket(const NetAddress* address, int* err) {
  if (!ValidAddress(address)) {
    SetError(err, kInvalidArgument);
    return INVALID_SOCKET;
  }
  const SOCKET s = socket(address->family, address->socketType, address->protocol);
  SetError(err, s == INVALID_SOCKET ? LastSocketError() : 0);
  return s;
}

void NetClose(SOCKET socket) {
  if (socket != INVALID_SOCKET) closesocket(socket);
}

void NetShutdown(SOCKET socket) {
  if (socket != INVALID_SOCKET) shutdown(socket, SD_BOTH);
}

void ShutdownAndClose(SocketHandle& socket) {
  NetShutdown(socket.get());
  socket.reset();
}

int NetSetNonBlocking(SOCKET socket, int flag, int* err) {
  u_long mode = flag != 0 ? 1 : 0;
  if (ioctlsocket(socket, FIONBIO, &mode) != 0) return Refuse(err, LastSocketError());
  SetError(err, 0);
  return 1;
}

int NetSetExclusiveAddressUse(SOCKET socket, int* err) {
  return SetIntOption(socket, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, 1, err);
}

int NetSetOobInline(SOCKET socket, int* err) { return SetIntOption(socket, SOL_SOCKET, SO_OOBINLINE, 1, err); }

int NetDisableUdpResetReports(SOCKET socket, int* err) {
  BOOL report = FALSE;
  DWORD returned = 0;
  if (WSAIoctl(socket, SIO_UDP_CONNRESET, &report, sizeof(report), nullptr, 0, &returned, nullptr, nullptr) != 0) {
    return Refuse(err, LastSocketError());
  }
  SetError(err, 0);
  return 1;
}

int NetBind(SOCKET socket, const NetAddress* address, int* err) {
  if (!ValidAddress(address)) return Refuse(err, kInvalidArgument);
  if (bind(socket, reinterpret_cast<const sockaddr*>(address->storage), address->length) != 0) {
    return Refuse(err, LastSocketError());
  }
  SetError(err, 0);
  return 1;
}

int NetListen(SOCKET socket, int backlog, int* err) {
  if (listen(socket, backlog) != 0) return Refuse(err, LastSocketError());
  SetError(err, 0);
  return 1;
}

SOCKET NetAccept(SOCKET socket, NetAddress* peer, int* status, int* err) {
  sockaddr_storage storage{};
  int length = sizeof(storage);
  const SOCKET accepted = accept(socket, reinterpret_cast<sockaddr*>(&storage), &length);
  if (accepted == INVALID_SOCKET) {
    const int code = LastSocketError();
    SetError(err, code);
    if (status != nullptr) *status = code == WSAEWOULDBLOCK ? kNetWouldBlock : kNetFailed;
    return INVALID_SOCKET;
  }
  if (peer != nullptr && length >= 1 && length <= kMaxAddressLength) {
    FillAddress(peer, reinterpret_cast<const sockaddr*>(&storage), length, SOCK_STREAM, IPPROTO_TCP);
  }
  if (status != nullptr) *status = kNetDone;
  SetError(err, 0);
  return accepted;
}

int NetConnect(SOCKET socket, const NetAddress* address, int* err) {
  if (!ValidAddress(address)) {
    SetError(err, kInvalidArgument);
    return kNetFailed;
  }
  if (connect(socket, reinterpret_cast<const sockaddr*>(address->storage), address->length) == 0) {
    SetError(err, 0);
    return kNetDone;
  }
  const int code = LastSocketError();
  SetError(err, code);
  const bool pending = code == WSAEWOULDBLOCK || code == WSAEINPROGRESS || code == WSAEALREADY;
  return pending ? kNetInProgress : kNetFailed;
}

int NetGetSocketError(SOCKET socket, int32_t* value, int* err) {
  if (value == nullptr) return Refuse(err, kInvalidArgument);
  int code = 0;
  int length = sizeof(code);
  if (getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&code), &length) != 0) {
    return Refuse(err, LastSocketError());
  }
  *value = code;
  SetError(err, 0);
  return 1;
}

int NetGetLocalAddress(SOCKET socket, NetAddress* address, int* err) {
  return QueryAddress(&getsockname, socket, address, err);
}

int NetGetPeerAddress(SOCKET socket, NetAddress* address, int* err) {
  return QueryAddress(&getpeername, socket, address, err);
}

int NetAddressToText(const NetAddress* address, char* host, size_t hostSize, uint16_t* port, int* err) {
  if (!ValidAddress(address) || host == nullptr || port == nullptr || hostSize == 0 ||
      hostSize > 0xFFFFFFFFu) {
    return Refuse(err, kInvalidArgument);
  }
  char service[16] = {};
  const int code = getnameinfo(reinterpret_cast<const sockaddr*>(address->storage), address->length, host,
                               static_cast<DWORD>(hostSize), service, sizeof(service),
                               NI_NUMERICHOST | NI_NUMERICSERV);
  if (code != 0) return Refuse(err, code);
  unsigned long value = 0;
  for (const char* c = service; *c != '\0'; ++c) {
    if (*c < '0' || *c > '9') return Refuse(err, kInvalidArgument);
    value = value * 10 + static_cast<unsigned long>(*c - '0');
    if (value > 65535) return Refuse(err, kInvalidArgument);
  }
  *port = static_cast<uint16_t>(value);
  SetError(err, 0);
  return 1;
}

int NetAddressFamilyVersion(const NetAddress* address) {
  if (address == nullptr) return 0;
  if (address->family == AF_INET) return 4;
  if (address->family == AF_INET6) return 6;
  return 0;
}

int NetIsLoopbackAddress(const NetAddress* address) {
  if (!ValidAddress(address)) return 0;
  if (address->family == AF_INET && address->length >= static_cast<int>(sizeof(sockaddr_in))) {
    sockaddr_in v4{};
    std::memcpy(&v4, address->storage, sizeof(v4));
    return (ntohl(v4.sin_addr.s_addr) >> 24) == 127 ? 1 : 0;
  }
  if (address->family == AF_INET6 && address->length >= static_cast<int>(sizeof(sockaddr_in6))) {
    sockaddr_in6 v6{};
    std::memcpy(&v6, address->storage, sizeof(v6));
    static const unsigned char kLoopback[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    return std::memcmp(&v6.sin6_addr, kLoopback, sizeof(kLoopback)) == 0 ? 1 : 0;
  }
  return 0;
}

int NetRecv(SOCKET socket, void* buffer, size_t size, size_t* length, int* err) {
  if (length != nullptr) *length = 0;
  if (buffer == nullptr || size == 0 || size > INT_MAX) {
    SetError(err, kInvalidArgument);
    return kNetFailed;
  }
  const int received = recv(socket, static_cast<char*>(buffer), static_cast<int>(size), 0);
  if (received == SOCKET_ERROR) return FailedIoStatus(err);
  SetError(err, 0);
  if (received == 0) return kNetClosed;
  if (length != nullptr) *length = static_cast<size_t>(received);
  return kNetDone;
}

int NetRecvFrom(SOCKET socket, void* buffer, size_t size, size_t* length, NetAddress* sender, int* err) {
  if (length != nullptr) *length = 0;
  if (buffer == nullptr || size == 0 || size > INT_MAX) {
    SetError(err, kInvalidArgument);
    return kNetFailed;
  }
  sockaddr_storage storage{};
  int senderLength = sizeof(storage);
  const int received = recvfrom(socket, static_cast<char*>(buffer), static_cast<int>(size), 0,
                                reinterpret_cast<sockaddr*>(&storage), &senderLength);
  if (received == SOCKET_ERROR) return FailedIoStatus(err);
  if (sender != nullptr && senderLength >= 1 && senderLength <= kMaxAddressLength) {
    FillAddress(sender, reinterpret_cast<const sockaddr*>(&storage), senderLength, SOCK_DGRAM, IPPROTO_UDP);
  }
  if (length != nullptr) *length = static_cast<size_t>(received);
  SetError(err, 0);
  return kNetDone;
}

namespace {

int SendStatus(int result, size_t* sent, int* err) {
  if (result == SOCKET_ERROR) return FailedIoStatus(err);
  SetError(err, 0);
  if (result == 0) return kNetClosed;
  if (sent != nullptr) *sent = static_cast<size_t>(result);
  return kNetDone;
}

bool ValidSendArguments(const void* data, size_t length) {
  return (data != nullptr || length == 0) && length <= 0x7FFFFFFFu;
}

}  // namespace

int NetSend(SOCKET socket, const void* data, size_t length, size_t* sent, int* err) {
  if (sent != nullptr) *sent = 0;
  if (!ValidSendArguments(data, length)) {
    SetError(err, kInvalidArgument);
    return kNetFailed;
  }
  return SendStatus(send(socket, static_cast<const char*>(data), static_cast<int>(length), 0), sent, err);
}

int NetSendTo(SOCKET socket, const void* data, size_t length, const NetAddress* target, size_t* sent, int* err) {
  if (sent != nullptr) *sent = 0;
  if (!ValidSendArguments(data, length) || !ValidAddress(target)) {
    SetError(err, kInvalidArgument);
    return kNetFailed;
  }
  const int result = sendto(socket, static_cast<const char*>(data), static_cast<int>(length), 0,
                            reinterpret_cast<const sockaddr*>(target->storage), target->length);
  return SendStatus(result, sent, err);
}

int NetSelect(NetSelectEntry* entries, size_t count, uint32_t timeoutMs, int* err) {
  if (count > kMaxSelectEntries || (entries == nullptr && count != 0) || timeoutMs > INT_MAX) {
    SetError(err, kInvalidArgument);
    return -1;
  }
  fd_set readSet;
  fd_set writeSet;
  fd_set errorSet;
  FD_ZERO(&readSet);
  FD_ZERO(&writeSet);
  FD_ZERO(&errorSet);
  for (size_t i = 0; i < count; ++i) {
    NetSelectEntry& entry = entries[i];
    entry.readable = entry.writable = entry.hasError = 0;
    if (entry.socket == INVALID_SOCKET) continue;
    if (entry.wantRead != 0) FD_SET(entry.socket, &readSet);  // FD_SET adds a socket only once
    if (entry.wantWrite != 0) FD_SET(entry.socket, &writeSet);
    FD_SET(entry.socket, &errorSet);
  }
  timeval timeout{};
  timeout.tv_sec = static_cast<long>(timeoutMs / 1000);
  timeout.tv_usec = static_cast<long>((timeoutMs % 1000) * 1000);
  const int ready = select(0, &readSet, &writeSet, &errorSet, &timeout);
  if (ready == SOCKET_ERROR) {
    SetError(err, LastSocketError());
    return -1;
  }
  for (size_t i = 0; i < count; ++i) {
    NetSelectEntry& entry = entries[i];
    if (entry.socket == INVALID_SOCKET) continue;
    entry.readable = FD_ISSET(entry.socket, &readSet) ? 1 : 0;
    entry.writable = FD_ISSET(entry.socket, &writeSet) ? 1 : 0;
    entry.hasError = FD_ISSET(entry.socket, &errorSet) ? 1 : 0;
  }
  SetError(err, 0);
  return ready;
}

}  // namespace nubo
