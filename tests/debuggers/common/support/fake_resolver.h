#pragma once

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdint>

#include "debuggers/common/net_resolve.h"

namespace nubo::testing {

// Name-resolution system calls under the test's control. Names ending in
// ".test" are answered here, every other name by the system:
//   "held.test"        pends until CompletePending (127.0.0.1 on success)
//   "silent.test"      pends like held.test, as under Wine without a cancel handle
//   "cancellable.test" pends and writes a cancel handle
//   "group.test"       answers at once with 239.1.2.3
//   "dual.test"        answers at once with ::1 and then 127.0.0.1, as
//                      "localhost" does where the hosts file names both
//   "empty.test"       answers at once with a list without IPv4/IPv6 entries
// Completions run on a thread of their own, as the system's would.
const NetResolveSystem& FakeResolver();

// Completes every pending look-up with the status; returns how many.
int CompletePendingLookups(int status);
int PendingLookups();
int CancelCalls();
int FakeResultsFreed();
void ResetFakeResolver();

}  // namespace nubo::testing
