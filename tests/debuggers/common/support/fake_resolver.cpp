#include "tests/debuggers/common/support/fake_resolver.h"

#include <cstring>
#include <cwchar>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace nubo::testing {
namespace {

struct PendingLookup {
  ADDRINFOEXW** result;
  OVERLAPPED* overlapped;
  NetResolveCompletionRoutine completion;
  int socketType;
  int protocol;
  uint16_t port;
};

struct FakeState {
  std::mutex mutex;
  std::vector<PendingLookup> pending;
  std::set<ADDRINFOEXW*> fakeResults;
  int cancelCalls = 0;
  int freed = 0;
};

FakeState& State() {
  static FakeState state;
  return state;
}

// One entry, of an IPv4 address or of ::1 for address 0, in front of next;
// an unusable one carries a family that is neither IPv4 nor IPv6.
ADDRINFOEXW* MakeResult(uint32_t hostOrderAddress, uint16_t port, int socketType, int protocol, bool usable,
                        ADDRINFOEXW* next = nullptr) {
  auto* entry = new ADDRINFOEXW{};
  auto* address = new sockaddr_storage{};
  if (hostOrderAddress != 0) {
    auto* ipv4 = reinterpret_cast<sockaddr_in*>(address);
    ipv4->sin_family = AF_INET;
    ipv4->sin_port = htons(port);
    ipv4->sin_addr.s_addr = htonl(hostOrderAddress);
    entry->ai_addrlen = sizeof(sockaddr_in);
  } else {
    auto* ipv6 = reinterpret_cast<sockaddr_in6*>(address);
    ipv6->sin6_family = AF_INET6;
    ipv6->sin6_port = htons(port);
    ipv6->sin6_addr.s6_addr[15] = 1;
    entry->ai_addrlen = sizeof(sockaddr_in6);
  }
  entry->ai_family = usable ? address->ss_family : AF_APPLETALK;
  entry->ai_socktype = socketType;
  entry->ai_protocol = protocol;
  entry->ai_addr = reinterpret_cast<sockaddr*>(address);
  entry->ai_next = reinterpret_cast<decltype(entry->ai_next)>(next);
  std::lock_guard lock(State().mutex);
  State().fakeResults.erase(next);  // freed with the list it now ends
  State().fakeResults.insert(entry);
  return entry;
}

int Lookup(const wchar_t* name, const wchar_t* service, const ADDRINFOEXW* hints, ADDRINFOEXW** result,
           OVERLAPPED* overlapped, NetResolveCompletionRoutine completion, HANDLE* cancelHandle) {
  const std::wstring text = name != nullptr ? name : L"";
  const uint16_t port = static_cast<uint16_t>(std::wcstoul(service, nullptr, 10));
  if (text == L"group.test" || text == L"empty.test") {
    *result = MakeResult(0xEF010203, port, hints->ai_socktype, hints->ai_protocol, text == L"group.test");
    return 0;
  }
  if (text == L"dual.test") {
    *result = MakeResult(0, port, hints->ai_socktype, hints->ai_protocol, true,
                         MakeResult(0x7F000001, port, hints->ai_socktype, hints->ai_protocol, true));
    return 0;
  }
  if (text == L"held.test" || text == L"silent.test" || text == L"cancellable.test") {
    if (text == L"cancellable.test") *cancelHandle = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x4242));
    std::lock_guard lock(State().mutex);
    State().pending.push_back(PendingLookup{result, overlapped, completion, hints->ai_socktype, hints->ai_protocol, port});
    return WSA_IO_PENDING;
  }
  return NetSystemResolver().lookup(name, service, hints, result, overlapped, completion, cancelHandle);
}

int Cancel(HANDLE* cancelHandle) {
  std::lock_guard lock(State().mutex);
  ++State().cancelCalls;
  return *cancelHandle != nullptr ? 0 : WSAEINVAL;
}

void Free(ADDRINFOEXW* result) {
  {
    std::lock_guard lock(State().mutex);
    if (State().fakeResults.erase(result) == 1) {
      ++State().freed;
      while (result != nullptr) {
        auto* next = reinterpret_cast<ADDRINFOEXW*>(result->ai_next);
        delete reinterpret_cast<sockaddr_storage*>(result->ai_addr);
        delete result;
        result = next;
      }
      return;
    }
  }
  NetSystemResolver().freeResult(result);
}

}  // namespace

const NetResolveSystem& FakeResolver() {
  static const NetResolveSystem system{&Lookup, &Cancel, &Free};
  return system;
}

int CompletePendingLookups(int status) {
  std::vector<PendingLookup> pending;
  {
    std::lock_guard lock(State().mutex);
    pending.swap(State().pending);
  }
  for (const PendingLookup& lookup : pending) {
    if (status == 0) *lookup.result = MakeResult(0x7F000001, lookup.port, lookup.socketType, lookup.protocol, true);
    std::thread([&lookup, status] { lookup.completion(static_cast<DWORD>(status), 0, lookup.overlapped); }).join();
  }
  return static_cast<int>(pending.size());
}

int PendingLookups() {
  std::lock_guard lock(State().mutex);
  return static_cast<int>(State().pending.size());
}

int CancelCalls() {
  std::lock_guard lock(State().mutex);
  return State().cancelCalls;
}

int FakeResultsFreed() {
  std::lock_guard lock(State().mutex);
  return State().freed;
}

void ResetFakeResolver() {
  std::lock_guard lock(State().mutex);
  State().cancelCalls = 0;
  State().freed = 0;
}

}  // namespace nubo::testing
