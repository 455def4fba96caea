#include "tests/debuggers/mqtt/support/dual_resolver.h"

#include <cwchar>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>

#include "tests/debuggers/common/support/fake_resolver.h"

namespace nubo::testing {
namespace {

// Both entries and their addresses in one block.
struct DualResult {
  ADDRINFOEXW entries[2];
  sockaddr_in6 v6;
  sockaddr_in v4;
};

std::mutex mutex;
std::set<ADDRINFOEXW*> given;

int Lookup(const wchar_t* name, const wchar_t* service, const ADDRINFOEXW* hints, ADDRINFOEXW** result,
           OVERLAPPED* overlapped, NetResolveCompletionRoutine completion, HANDLE* cancelHandle) {
  if (name != nullptr && std::wstring(name) == L"throw.test") throw std::runtime_error("look-up exploded");
  if (name == nullptr || std::wstring(name) != L"dual.test") {
    return FakeResolver().lookup(name, service, hints, result, overlapped, completion, cancelHandle);
  }
  const uint16_t port = htons(static_cast<uint16_t>(std::wcstoul(service, nullptr, 10)));
  auto* block = new DualResult{};
  block->v6.sin6_family = AF_INET6;
  block->v6.sin6_port = port;
  block->v6.sin6_addr.s6_addr[15] = 1;
  block->v4.sin_family = AF_INET;
  block->v4.sin_port = port;
  block->v4.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const struct {
    int family;
    sockaddr* address;
    size_t length;
  } parts[] = {{AF_INET6, reinterpret_cast<sockaddr*>(&block->v6), sizeof(block->v6)},
               {AF_INET, reinterpret_cast<sockaddr*>(&block->v4), sizeof(block->v4)}};
  for (int i = 0; i < 2; ++i) {
    ADDRINFOEXW& entry = block->entries[i];
    entry.ai_family = parts[i].family;
    entry.ai_socktype = SOCK_STREAM;
    entry.ai_protocol = IPPROTO_TCP;
    entry.ai_addr = parts[i].address;
    entry.ai_addrlen = parts[i].length;
    // loosely typed in MinGW
    entry.ai_next = reinterpret_cast<decltype(entry.ai_next)>(i == 0 ? &block->entries[1] : nullptr);
  }
  *result = &block->entries[0];
  std::lock_guard lock(mutex);
  given.insert(*result);
  return 0;
}

void Free(ADDRINFOEXW* result) {
  {
    std::lock_guard lock(mutex);
    if (given.erase(result) == 1) {
      delete reinterpret_cast<DualResult*>(result);  // entries[0] starts the block
      return;
    }
  }
  FakeResolver().freeResult(result);
}

}  // namespace

const NetResolveSystem& DualResolver() {
  static const NetResolveSystem system{&Lookup, FakeResolver().cancel, &Free};
  return system;
}

}  // namespace nubo::testing
