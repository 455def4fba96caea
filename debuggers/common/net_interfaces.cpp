// The local IPv4 adapter list and the IPv4 multicast rules of the socket layer.

#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "debuggers/common/socket_layer.h"
#include "debuggers/common/socket_layer_detail.h"

namespace nubo {

using net_detail::kInvalidArgument;
using net_detail::LastSocketError;
using net_detail::Refuse;
using net_detail::SetError;

namespace {

// The Winsock 2 option values (ws2tcpip.h), not the Winsock 1 ones.
static_assert(IP_MULTICAST_IF == 9 && IP_MULTICAST_TTL == 10);
static_assert(IP_ADD_MEMBERSHIP == 12 && IP_DROP_MEMBERSHIP == 13);

constexpr ULONG kFirstAdapterBufferBytes = 15000;
constexpr ULONG kMaxAdapterBufferBytes = 0x100000;
constexpr int kMaxAdapterCalls = 3;
constexpr size_t kValidationCapacity = 128;
constexpr IFTYPE kSoftwareLoopback = 24;

// The interface address for a multicast option: 0.0.0.0 for an empty text,
// else the strict parse.
bool InterfaceAddress(const char* text, in_addr& address) {
  address.s_addr = htonl(INADDR_ANY);
  if (text == nullptr || text[0] == '\0') return true;
  uint32_t parsed = 0;
  if (NetParseIpv4(text, &parsed) == 0) return false;
  address.s_addr = parsed;
  return true;
}

// NetValidateLocalIpv4Interface that also gives the accepted interface's
// address, 0.0.0.0 when the system chooses.
int CheckLocalInterface(const char* text, in_addr& address, int* err) {
  address.s_addr = htonl(INADDR_ANY);
  if (text == nullptr || IsAnyInterfaceText(text)) {
    SetError(err, 0);
    return 1;
  }
  std::array<uint8_t, 4> octets{};
  if (!ParseStrictIpv4(text, octets) || octets[0] == 0) return Refuse(err, kInvalidArgument);
  std::unique_ptr<NetIpv4Interface[]> list(new (std::nothrow) NetIpv4Interface[kValidationCapacity]);
  if (!list) return Refuse(err, ERROR_NOT_ENOUGH_MEMORY);
  int code = 0;
  const int count = NetListIpv4Interfaces(list.get(), kValidationCapacity, &code);
  if (count < 0) return Refuse(err, code);
  for (int i = 0; i < count; ++i) {
    if (std::strcmp(list[i].address, text) == 0) {
      std::memcpy(&address, octets.data(), sizeof(address));  // most significant part first in memory
      SetError(err, 0);
      return 1;
    }
  }
  return Refuse(err, WSAEADDRNOTAVAIL);
}

void FormatAddress(const sockaddr_in& address, char (&text)[16]) {
  const unsigned long value = ntohl(address.sin_addr.s_addr);
  std::snprintf(text, sizeof(text), "%lu.%lu.%lu.%lu", (value >> 24) & 0xFF, (value >> 16) & 0xFF,
                (value >> 8) & 0xFF, value & 0xFF);
}

void FillName(const IP_ADAPTER_ADDRESSES& adapter, NetIpv4Interface& entry) {
  int written = 0;
  if (adapter.FriendlyName != nullptr && adapter.FriendlyName[0] != L'\0') {
    written = WideCharToMultiByte(CP_UTF8, 0, adapter.FriendlyName, -1, entry.name, sizeof(entry.name),
                                  nullptr, nullptr);
  }
  if (written <= 1) {
    std::snprintf(entry.name, sizeof(entry.name), "IPv4 interface %lu", static_cast<unsigned long>(adapter.IfIndex));
  }
}

bool Usable(const IP_ADAPTER_UNICAST_ADDRESS& unicast, sockaddr_in& address) {
  const SOCKET_ADDRESS& raw = unicast.Address;
  if (raw.lpSockaddr == nullptr || raw.lpSockaddr->sa_family != AF_INET ||
      raw.iSockaddrLength < static_cast<INT>(sizeof(sockaddr_in)) || unicast.DadState <= IpDadStateDuplicate) {
    return false;
  }
  std::memcpy(&address, raw.lpSockaddr, sizeof(address));
  const uint32_t value = ntohl(address.sin_addr.s_addr);
  return value != 0 && (value >> 28) != 0xE;
}

// Reads the adapter list into buffer; ERROR_NO_DATA is a success with no list.
ULONG ReadAdapters(std::unique_ptr<unsigned char[]>& buffer) {
  constexpr ULONG kFlags = GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;
  ULONG size = kFirstAdapterBufferBytes;
  ULONG code = ERROR_BUFFER_OVERFLOW;
  for (int call = 0; call < kMaxAdapterCalls && code == ERROR_BUFFER_OVERFLOW; ++call) {
    if (size > kMaxAdapterBufferBytes) return ERROR_BUFFER_OVERFLOW;
    buffer.reset(new (std::nothrow) unsigned char[size]);
    if (!buffer) return ERROR_NOT_ENOUGH_MEMORY;
    code = GetAdaptersAddresses(AF_INET, kFlags, nullptr, reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.get()),
                                &size);
  }
  if (code == ERROR_NO_DATA) buffer.reset();
  return code == ERROR_NO_DATA ? ERROR_SUCCESS : code;
}

}  // namespace

int NetListIpv4Interfaces(NetIpv4Interface* interfaces, size_t capacity, int* err) {
  if (interfaces == nullptr || capacity < 1 || capacity > 128) {
    SetError(err, kInvalidArgument);
    return -1;
  }
  std::unique_ptr<unsigned char[]> buffer;
  const ULONG code = ReadAdapters(buffer);
  if (code != ERROR_SUCCESS) {
    SetError(err, static_cast<int>(code));
    return -1;
  }
  size_t count = 0;
  const auto* adapter = reinterpret_cast<const IP_ADAPTER_ADDRESSES*>(buffer.get());
  for (; adapter != nullptr; adapter = adapter->Next) {
    if (adapter->OperStatus != IfOperStatusUp) continue;
    for (const IP_ADAPTER_UNICAST_ADDRESS* unicast = adapter->FirstUnicastAddress; unicast != nullptr;
         unicast = unicast->Next) {
      sockaddr_in address{};
      if (!Usable(*unicast, address)) continue;
      NetIpv4Interface entry{};
      FormatAddress(address, entry.address);
      entry.index = adapter->IfIndex;
      entry.loopback = adapter->IfType == kSoftwareLoopback || (ntohl(address.sin_addr.s_addr) >> 24) == 127;
      bool duplicate = false;
      for (size_t i = 0; i < count && !duplicate; ++i) {
        duplicate = interfaces[i].index == entry.index && std::strcmp(interfaces[i].address, entry.address) == 0;
      }
      if (duplicate) continue;
      if (count == capacity) {
        SetError(err, ERROR_MORE_DATA);
        return -1;
      }
      FillName(*adapter, entry);
      interfaces[count++] = entry;
    }
  }
  SetError(err, 0);
  return static_cast<int>(count);
}

int NetValidateLocalIpv4Interface(const char* text, int* err) {
  in_addr address{};
  return CheckLocalInterface(text, address, err);
}

int NetSetMulticastSendOptions(SOCKET socket, const char* interfaceText, int ttl, int* err) {
  if (ttl < 0 || ttl > 255) return Refuse(err, kInvalidArgument);
  int code = 0;
  in_addr address{};
  if (CheckLocalInterface(interfaceText, address, &code) == 0) return Refuse(err, code);
  if (setsockopt(socket, IPPROTO_IP, IP_MULTICAST_IF, reinterpret_cast<const char*>(&address), sizeof(address)) != 0) {
    return Refuse(err, LastSocketError());
  }
  const DWORD value = static_cast<DWORD>(ttl);
  if (setsockopt(socket, IPPROTO_IP, IP_MULTICAST_TTL, reinterpret_cast<const char*>(&value), sizeof(value)) != 0) {
    return Refuse(err, LastSocketError());
  }
  SetError(err, 0);
  return 1;
}

int NetSetMulticastMembership(SOCKET socket, const char* groupText, const char* interfaceText, int join, int* err) {
  std::array<uint8_t, 4> group{};
  if (groupText == nullptr || !ParseStrictIpv4(groupText, group) || !IsIpv4MulticastOctets(group)) {
    return Refuse(err, kInvalidArgument);
  }
  ip_mreq membership{};
  std::memcpy(&membership.imr_multiaddr, group.data(), sizeof(membership.imr_multiaddr));
  int code = 0;
  if (join != 0) {
    // Joining needs an up local adapter; leaving takes any well-formed interface text.
    if (CheckLocalInterface(interfaceText, membership.imr_interface, &code) == 0) return Refuse(err, code);
  } else if (!InterfaceAddress(interfaceText, membership.imr_interface)) {
    return Refuse(err, kInvalidArgument);
  }

  NetAddress local{};
  if (NetGetLocalAddress(socket, &local, &code) == 0) return Refuse(err, code);
  sockaddr_in bound{};
  if (local.family != AF_INET || local.length < static_cast<int32_t>(sizeof(bound))) {
    return Refuse(err, kInvalidArgument);
  }
  std::memcpy(&bound, local.storage, sizeof(bound));
  if (bound.sin_addr.s_addr != htonl(INADDR_ANY)) return Refuse(err, kInvalidArgument);
  int type = 0;
  int length = sizeof(type);
  if (getsockopt(socket, SOL_SOCKET, SO_TYPE, reinterpret_cast<char*>(&type), &length) != 0) {
    return Refuse(err, LastSocketError());
  }
  if (type != SOCK_DGRAM) return Refuse(err, kInvalidArgument);

  const int option = join != 0 ? IP_ADD_MEMBERSHIP : IP_DROP_MEMBERSHIP;
  if (setsockopt(socket, IPPROTO_IP, option, reinterpret_cast<const char*>(&membership), sizeof(membership)) != 0) {
    return Refuse(err, LastSocketError());
  }
  SetError(err, 0);
  return 1;
}

}  // namespace nubo
