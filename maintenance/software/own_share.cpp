#include "maintenance/software/own_share.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>
#include <windows.h>
#include <lm.h>
#include <winnetwk.h>

#include <algorithm>
#include <cstring>
#include <cwctype>
#include <optional>

#include "maintenance/software/path_rules.h"
#include "maintenance/software/software_limits.h"
#include "store/adapter_addresses.h"
#include "store/unique_handle.h"

namespace nubo {
namespace {

constexpr std::wstring_view kLocalhost = L"localhost";
// An IPv6 address as a host name: "fe80::1%4" is "fe80--1s4.ipv6-literal.net".
constexpr std::wstring_view kIpv6LiteralSuffix = L".ipv6-literal.net";
constexpr COMPUTER_NAME_FORMAT kNameFormats[] = {ComputerNameNetBIOS, ComputerNameDnsHostname,
                                                 ComputerNameDnsFullyQualified};
constexpr DWORD kShareKindBits = 0xFF;  // the rest of a share's type are flags
constexpr unsigned char kMappedIpv4Prefix[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
constexpr unsigned char kIpv6Loopback[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};

struct NetApiBufferTraits {
  using Value = void*;
  static Value Invalid() { return nullptr; }
  static bool IsValid(Value value) { return value != nullptr; }
  static void Close(Value value) { NetApiBufferFree(value); }
};
using NetApiBuffer = UniqueHandle<NetApiBufferTraits>;

using Address = std::array<unsigned char, 16>;

Address Mapped(const IN_ADDR& ipv4) {
  Address address{};
  std::memcpy(address.data(), kMappedIpv4Prefix, sizeof(kMappedIpv4Prefix));
  std::memcpy(address.data() + sizeof(kMappedIpv4Prefix), &ipv4, sizeof(ipv4));
  return address;
}

std::optional<Address> AddressOf(const SOCKET_ADDRESS& raw) {
  if (raw.lpSockaddr == nullptr) return std::nullopt;
  if (raw.lpSockaddr->sa_family == AF_INET && raw.iSockaddrLength >= static_cast<INT>(sizeof(sockaddr_in))) {
    return Mapped(reinterpret_cast<const sockaddr_in*>(raw.lpSockaddr)->sin_addr);
  }
  if (raw.lpSockaddr->sa_family != AF_INET6 || raw.iSockaddrLength < static_cast<INT>(sizeof(sockaddr_in6))) {
    return std::nullopt;
  }
  Address address;
  std::memcpy(address.data(), &reinterpret_cast<const sockaddr_in6*>(raw.lpSockaddr)->sin6_addr, address.size());
  return address;
}

// A dotted IPv4 address or an IPv6 literal host name; the scope is dropped.
std::optional<Address> AddressOf(std::wstring_view host) {
  std::wstring text(host);
  IN_ADDR ipv4{};
  if (InetPtonW(AF_INET, text.c_str(), &ipv4) == 1) return Mapped(ipv4);
  if (text.size() <= kIpv6LiteralSuffix.size() ||
      FoldPathCase(text.substr(text.size() - kIpv6LiteralSuffix.size())) != kIpv6LiteralSuffix) {
    return std::nullopt;
  }
  text.resize(text.size() - kIpv6LiteralSuffix.size());
  text.resize(std::min(text.size(), text.find_first_of(L"sS")));
  std::replace(text.begin(), text.end(), L'-', L':');
  IN6_ADDR ipv6{};
  if (InetPtonW(AF_INET6, text.c_str(), &ipv6) != 1) return std::nullopt;
  Address address;
  std::memcpy(address.data(), &ipv6, address.size());
  return address;
}

bool IsLoopback(const Address& address) {
  const bool ipv4 = std::memcmp(address.data(), kMappedIpv4Prefix, sizeof(kMappedIpv4Prefix)) == 0;
  return (ipv4 && address[12] == 127) || std::memcmp(address.data(), kIpv6Loopback, address.size()) == 0;
}

}  // namespace

void OwnShares::LearnThisMachine() {
  learnt_ = true;
  for (const COMPUTER_NAME_FORMAT format : kNameFormats) {
    wchar_t name[kHostNameUnits] = {};
    DWORD length = kHostNameUnits;
    if (!GetComputerNameExW(format, name, &length)) {
      complete_ = false;
    } else if (length > 0) {
      names_.push_back(FoldPathCase(std::wstring_view(name, length)));
    }
  }
  const ResizingQueryResult adapters = ReadAdapterAddresses(AF_UNSPEC);
  if (!adapters.ok) {
    complete_ = false;
    return;
  }
  for (auto* adapter = reinterpret_cast<const IP_ADAPTER_ADDRESSES*>(adapters.bytes.data()); adapter != nullptr;
       adapter = adapter->Next) {
    for (const IP_ADAPTER_UNICAST_ADDRESS* unicast = adapter->FirstUnicastAddress; unicast != nullptr;
         unicast = unicast->Next) {
      if (const auto address = AddressOf(unicast->Address)) addresses_.push_back(*address);
    }
  }
}

// Unknown when this machine's names or addresses could not all be read and
// the host is none of those that were.
OwnShares::Host OwnShares::Classify(std::wstring_view host) {
  if (!learnt_) LearnThisMachine();
  const std::wstring folded = FoldPathCase(host);
  if (folded == kLocalhost || std::find(names_.begin(), names_.end(), folded) != names_.end()) return Host::kThis;
  if (const auto address = AddressOf(host)) {
    if (IsLoopback(*address) || std::find(addresses_.begin(), addresses_.end(), *address) != addresses_.end()) {
      return Host::kThis;
    }
  }
  return complete_ ? Host::kOther : Host::kUnknown;
}

std::wstring OwnShares::SharedFolder(std::wstring_view share) {
  const wchar_t drive = static_cast<wchar_t>(share.empty() ? 0 : share[0] | 0x20);
  if (share.size() == 2 && share[1] == L'$' && drive >= L'a' && drive <= L'z') {
    return {static_cast<wchar_t>(drive - L'a' + L'A'), L':', L'\\'};  // the administrative share of a drive
  }
  const std::wstring key = FoldPathCase(share);
  if (const auto known = folders_.find(key); known != folders_.end()) return known->second;
  std::wstring name(share);
  std::wstring folder;
  NetApiBuffer info;
  if (NetShareGetInfo(nullptr, name.data(), 2, reinterpret_cast<LPBYTE*>(info.out())) == NERR_Success && info) {
    const auto* share2 = static_cast<const SHARE_INFO_2*>(info.get());
    if ((share2->shi2_type & kShareKindBits) == STYPE_DISKTREE && share2->shi2_path != nullptr) {
      folder = share2->shi2_path;
    }
  }
  folders_.emplace(key, folder);
  return folder;
}

ShareTarget OwnShares::Resolve(std::wstring_view unc) {
  const std::wstring_view afterSlashes = unc.substr(std::min<size_t>(2, unc.size()));
  const size_t hostEnd = afterSlashes.find(L'\\');
  const Host host = Classify(afterSlashes.substr(0, hostEnd));
  if (host == Host::kOther) return {};
  if (host == Host::kUnknown || hostEnd == std::wstring_view::npos) return {ShareTarget::kUnknown, {}};
  const std::wstring_view afterHost = afterSlashes.substr(hostEnd + 1);
  const size_t shareEnd = afterHost.find(L'\\');
  std::wstring path = SharedFolder(afterHost.substr(0, shareEnd));
  if (path.empty()) return {ShareTarget::kUnknown, {}};
  if (shareEnd != std::wstring_view::npos) {
    if (!IsPathSeparator(path.back())) path += L'\\';
    path += afterHost.substr(shareEnd + 1);
  }
  return {ShareTarget::kHere, std::move(path)};
}

std::wstring OwnShares::ThroughConnection(std::wstring_view drivePath) {
  const wchar_t letter = static_cast<wchar_t>(std::towlower(drivePath[0]));
  auto known = connections_.find(letter);
  if (known == connections_.end()) {
    const wchar_t device[] = {letter, L':', L'\0'};
    std::vector<wchar_t> remote(kPathBufferUnits);
    DWORD length = kPathBufferUnits;
    const bool connected = WNetGetConnectionW(device, remote.data(), &length) == NO_ERROR;
    known = connections_.emplace(letter, connected ? TrimPath(remote.data()) : L"").first;
  }
  if (known->second.empty()) return {};
  return known->second + L"\\" + std::wstring(drivePath.substr(3));
}

}  // namespace nubo
