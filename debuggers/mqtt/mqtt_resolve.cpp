// The broker's name look-up: an asynchronous look-up through the resolver
// seam, waited for in abort-test slices. The worker and the system's
// completion share one reference-counted record, so a worker that gave up
// returns at once while a late completion still frees everything.

#include <cstdio>
#include <cstring>
#include <new>

#include "debuggers/mqtt/mqtt_transport.h"
#include "debuggers/mqtt/mqtt_transport_limits.h"
#include "debuggers/mqtt/mqtt_transport_texts.h"

namespace nubo {
namespace {

struct MqttLookupRecord : OVERLAPPED {
  ADDRINFOEXW* result = nullptr;
  HANDLE event = nullptr;
  std::atomic<long> references{2};
  std::atomic<int32_t> status{0};
  const NetResolveSystem* system = nullptr;
};

void ReleaseLookup(MqttLookupRecord* record) {
  if (record->references.fetch_sub(1) != 1) return;
  if (record->result != nullptr) record->system->freeResult(record->result);
  CloseHandle(record->event);
  delete record;
}

void CALLBACK MqttResolveCompletion(DWORD error, DWORD /*bytes*/, LPOVERLAPPED overlapped) {
  auto* record = static_cast<MqttLookupRecord*>(overlapped);
  record->status.store(static_cast<int32_t>(error));
  SetEvent(record->event);
  ReleaseLookup(record);
}

bool Fail(std::string& text, std::string_view message) {
  text.assign(message);
  return false;
}

}  // namespace

bool MqttResolveBroker(const NetResolveSystem& resolver, std::string_view host, uint16_t port,
                       const MqttAbortTest& abort, std::vector<NetAddress>& addresses, std::string& text) {
  addresses.clear();
  text.clear();
  const std::wstring name = MqttUtf8ToWide(host);
  if (name.empty()) return Fail(text, mqtt::text::kHostNotUtf8);
  wchar_t service[8] = {};
  std::swprintf(service, 8, L"%u", static_cast<unsigned>(port));

  auto* record = new (std::nothrow) MqttLookupRecord();
  if (record == nullptr) return Fail(text, mqtt::text::kResolveTaskFailed);
  record->system = &resolver;
  record->event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (record->event == nullptr) {
    delete record;
    return Fail(text, mqtt::text::kResolveTaskFailed);
  }
  ADDRINFOEXW hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  // Under Wine a pending look-up writes no cancel handle: only one the
  // system really gave is used.
  HANDLE cancelHandle = nullptr;
  const uint64_t started = MqttSteadyNowMs();
  const int first = resolver.lookup(name.c_str(), service, &hints, &record->result, record,
                                    &MqttResolveCompletion, &cancelHandle);
  int status = first;
  if (first == WSA_IO_PENDING) {
    for (;;) {
      if (WaitForSingleObject(record->event, mqtt::kAbortSliceMs) == WAIT_OBJECT_0) {
        status = record->status.load();
        break;
      }
      const bool aborted = abort();
      if (aborted || MqttSteadyNowMs() - started >= mqtt::kResolveBudgetMs) {
        if (cancelHandle != nullptr) resolver.cancel(&cancelHandle);
        if (!aborted) text.assign(mqtt::text::kResolveTimeout);
        ReleaseLookup(record);
        return false;
      }
    }
  } else {
    ReleaseLookup(record);  // done at once: the completion will not run
  }
  if (status != 0) {
    ReleaseLookup(record);
    return Fail(text, mqtt::text::kResolveFailed);
  }
  for (const ADDRINFOEXW* entry = record->result;
       entry != nullptr && addresses.size() < static_cast<size_t>(mqtt::kMaxAddresses);
       entry = reinterpret_cast<const ADDRINFOEXW*>(entry->ai_next)) {  // loosely typed in MinGW
    if (entry->ai_family != AF_INET && entry->ai_family != AF_INET6) continue;
    if (entry->ai_addr == nullptr || entry->ai_addrlen < 1 || entry->ai_addrlen > sizeof(NetAddress::storage)) {
      continue;
    }
    NetAddress address{};
    std::memcpy(address.storage, entry->ai_addr, entry->ai_addrlen);
    address.length = static_cast<int32_t>(entry->ai_addrlen);
    address.family = entry->ai_family;
    address.socketType = entry->ai_socktype;
    address.protocol = entry->ai_protocol;
    addresses.push_back(address);
  }
  ReleaseLookup(record);
  if (addresses.empty()) return Fail(text, mqtt::text::kNoUsableAddress);
  return true;
}

}  // namespace nubo
