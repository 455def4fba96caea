#include "debuggers/common/net_resolve.h"

#include <cstdio>
#include <new>

#include "debuggers/common/socket_layer_detail.h"
#include "store/win_handles.h"

// In the import library but missing from the MinGW headers.
extern "C" INT WSAAPI GetAddrInfoExCancel(LPHANDLE lpHandle);

namespace nubo {

using net_detail::FillAddress;
using net_detail::kInvalidArgument;
using net_detail::SetError;

namespace {

constexpr int kMaxCapacity = 16;
constexpr int kHostUnits = 256;  // UTF-16 units including the terminator
constexpr DWORD kAbandonCheckMs = 20;

// Shared by the resolving caller and the look-up's completion; whichever side
// drops the last reference frees it.
struct NetResolveRequest : OVERLAPPED {
  ADDRINFOEXW* result = nullptr;
  EventHandle event;
  std::atomic<long> references{2};
  std::atomic<int32_t> status{0};
  WinsockSession winsock;
  const NetResolveSystem* system = nullptr;
};

void Release(NetResolveRequest* request) {
  if (request->references.fetch_sub(1) != 1) return;
  if (request->result != nullptr) request->system->freeResult(request->result);
  delete request;
}

void CALLBACK NetResolveCompletion(DWORD error, DWORD /*bytes*/, LPOVERLAPPED overlapped) {
  auto* request = static_cast<NetResolveRequest*>(overlapped);
  request->status.exchange(static_cast<int32_t>(error));
  SetEvent(request->event.get());
  Release(request);
}

int SystemLookup(const wchar_t* name, const wchar_t* service, const ADDRINFOEXW* hints, ADDRINFOEXW** result,
                 OVERLAPPED* overlapped, NetResolveCompletionRoutine completion, HANDLE* cancelHandle) {
  // The MinGW headers type the completion routine as an untyped pointer.
  return GetAddrInfoExW(name, service, NS_ALL, nullptr, hints, result, nullptr, overlapped,
                        reinterpret_cast<LPLOOKUPSERVICE_COMPLETION_ROUTINE>(completion), cancelHandle);
}

int SystemCancel(HANDLE* cancelHandle) { return GetAddrInfoExCancel(cancelHandle); }

void SystemFree(ADDRINFOEXW* result) { FreeAddrInfoExW(result); }

enum class WaitOutcome { kCompleted, kTimedOut, kAbandoned, kFailed };

WaitOutcome WaitForCompletion(HANDLE event, const std::atomic<bool>* abandon) {
  const ULONGLONG deadline = GetTickCount64() + kNetResolveTimeoutMs;
  for (;;) {
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) return WaitOutcome::kTimedOut;
    DWORD slice = static_cast<DWORD>(deadline - now);
    if (abandon != nullptr && slice > kAbandonCheckMs) slice = kAbandonCheckMs;
    const DWORD waited = WaitForSingleObject(event, slice);
    if (waited == WAIT_OBJECT_0) return WaitOutcome::kCompleted;
    if (waited != WAIT_TIMEOUT) return WaitOutcome::kFailed;
    if (abandon != nullptr && abandon->load()) return WaitOutcome::kAbandoned;
  }
}

// Copies the usable entries of the result list; 10047 when there is none.
int CopyAddresses(const ADDRINFOEXW* list, NetAddress* addresses, int capacity, int* err) {
  int count = 0;
  for (const ADDRINFOEXW* entry = list; entry != nullptr && count < capacity;
       entry = reinterpret_cast<const ADDRINFOEXW*>(entry->ai_next)) {  // loosely typed in MinGW
    if (entry->ai_family != AF_INET && entry->ai_family != AF_INET6) continue;
    if (entry->ai_addr == nullptr || entry->ai_addrlen < 1 || entry->ai_addrlen > sizeof(addresses->storage)) {
      continue;
    }
    FillAddress(&addresses[count++], entry->ai_addr, static_cast<int>(entry->ai_addrlen), entry->ai_socktype,
                entry->ai_protocol);
  }
  if (count == 0) {
    SetError(err, WSAEAFNOSUPPORT);
    return -1;
  }
  SetError(err, 0);
  return count;
}

}  // namespace

const NetResolveSystem& NetSystemResolver() {
  static const NetResolveSystem system{&SystemLookup, &SystemCancel, &SystemFree};
  return system;
}

int NetResolve(const char* host, uint16_t port, int kind, int passive, NetAddress* addresses, int capacity,
               int* err) {
  return NetResolveThrough(NetSystemResolver(), host, port, kind, passive, addresses, capacity, nullptr, err);
}

int NetResolveThrough(const NetResolveSystem& system, const char* host, uint16_t port, int kind, int passive,
                      NetAddress* addresses, int capacity, const std::atomic<bool>* abandon, int* err) {
  if (addresses == nullptr || capacity < 1 || capacity > kMaxCapacity || (kind != kNetResolveTcp && kind != kNetResolveUdp)) {
    SetError(err, kInvalidArgument);
    return -1;
  }
  ADDRINFOEXW hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = kind == kNetResolveTcp ? SOCK_STREAM : SOCK_DGRAM;
  hints.ai_protocol = kind == kNetResolveTcp ? IPPROTO_TCP : IPPROTO_UDP;
  hints.ai_flags = passive != 0 ? AI_PASSIVE : 0;
  wchar_t service[8] = {};
  std::swprintf(service, 8, L"%u", static_cast<unsigned>(port));
  wchar_t name[kHostUnits] = {};
  const bool named = host != nullptr && host[0] != '\0';
  if (named && MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, host, -1, name, kHostUnits) == 0) {
    SetError(err, kInvalidArgument);
    return -1;
  }

  auto* request = new (std::nothrow) NetResolveRequest();
  if (request == nullptr) {
    SetError(err, ERROR_NOT_ENOUGH_MEMORY);
    return -1;
  }
  request->system = &system;
  request->event.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!request->event) {
    SetError(err, static_cast<int>(GetLastError()));
    delete request;
    return -1;
  }
  request->winsock = StartWinsock(err);
  if (!request->winsock) {
    delete request;
    return -1;
  }

  // Under Wine no cancel handle is ever written while a look-up pends; only
  // a handle the system really gave is used.
  HANDLE cancelHandle = nullptr;
  const int started = system.lookup(named ? name : nullptr, service, &hints, &request->result, request,
                                    &NetResolveCompletion, &cancelHandle);
  int status = 0;
  if (started == WSA_IO_PENDING) {
    const WaitOutcome outcome = WaitForCompletion(request->event.get(), abandon);
    if (outcome != WaitOutcome::kCompleted) {
      if (cancelHandle != nullptr) system.cancel(&cancelHandle);
      SetError(err, outcome == WaitOutcome::kTimedOut   ? WSAETIMEDOUT
                    : outcome == WaitOutcome::kAbandoned ? WSAECANCELLED
                                                         : kInvalidArgument);
      Release(request);
      return -1;
    }
    status = request->status.load();
  } else {
    // Done at once: the completion will not run, so its reference goes too.
    request->status.exchange(started);
    status = started;
    Release(request);
  }
  if (status != 0) {
    SetError(err, status);
    Release(request);
    return -1;
  }
  const int count = CopyAddresses(request->result, addresses, capacity, err);
  Release(request);
  return count;
}

}  // namespace nubo
