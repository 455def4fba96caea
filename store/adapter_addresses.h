#pragma once

#include <winsock2.h>
#include <iphlpapi.h>

#include "store/resizing_query.h"

namespace nubo {

// The first guess at the size of an adapter list: most machines' fit.
inline constexpr uint32_t kAdapterListFirstBytes = 16384;

// The adapters with their unicast addresses of one family (AF_INET, AF_INET6
// or AF_UNSPEC for both), without the anycast, multicast and DNS server lists.
// Callers link iphlpapi.
inline ResizingQueryResult ReadAdapterAddresses(ULONG family) {
  const auto query = [family](void* buffer, uint32_t& size) -> uint32_t {
    ULONG bytes = size;
    const ULONG status =
        GetAdaptersAddresses(family, GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER,
                             nullptr, static_cast<IP_ADAPTER_ADDRESSES*>(buffer), &bytes);
    size = bytes;
    return status;
  };
  return RunResizingQuery(query, kAdapterListFirstBytes, ERROR_BUFFER_OVERFLOW);
}

}  // namespace nubo
