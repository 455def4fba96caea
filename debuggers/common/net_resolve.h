#pragma once

// Name resolution with a hard time-out that survives a late completion: the
// asynchronous look-up and its waiting caller share one reference-counted
// request, so a caller that gave up returns at once while the system may
// still complete the look-up later.

#include <winsock2.h>
#include <ws2tcpip.h>

#include <atomic>
#include <cstdint>

#include "debuggers/common/socket_layer.h"

namespace nubo {

inline constexpr int kNetResolveTcp = 1;
inline constexpr int kNetResolveUdp = 2;
inline constexpr DWORD kNetResolveTimeoutMs = 5000;

using NetResolveCompletionRoutine = void(CALLBACK*)(DWORD error, DWORD bytes, LPOVERLAPPED overlapped);

// The system calls behind a resolution, replaceable so that pending, late and
// failing look-ups can be produced on purpose.
struct NetResolveSystem {
  // Starts an asynchronous look-up (GetAddrInfoExW with an overlapped record):
  // 0 when done at once, WSA_IO_PENDING when the completion will run, else
  // the failure code. It may or may not write a cancel handle.
  int (*lookup)(const wchar_t* name, const wchar_t* service, const ADDRINFOEXW* hints, ADDRINFOEXW** result,
                OVERLAPPED* overlapped, NetResolveCompletionRoutine completion, HANDLE* cancelHandle);
  int (*cancel)(HANDLE* cancelHandle);
  void (*freeResult)(ADDRINFOEXW* result);
};

const NetResolveSystem& NetSystemResolver();

// Resolves host (UTF-8; null or empty: the wildcard address when passive,
// else loopback) and port for kind 1 (TCP) or 2 (UDP) into at most capacity
// (1-16) IPv4/IPv6 addresses in the system's order. The count, or -1 with
// 10060 after 5000 ms, 10047 without a usable address, or the system's code.
int NetResolve(const char* host, uint16_t port, int kind, int passive, NetAddress* addresses, int capacity,
               int* err);

// NetResolve through the given system calls. While waiting, a set abandon
// flag ends the wait within 20 ms with -1 and 10103 (WSAECANCELLED).
int NetResolveThrough(const NetResolveSystem& system, const char* host, uint16_t port, int kind, int passive,
                      NetAddress* addresses, int capacity, const std::atomic<bool>* abandon, int* err);

}  // namespace nubo
