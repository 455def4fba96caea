#pragma once

#include "debuggers/common/net_resolve.h"

namespace nubo::testing {

// The fake resolver (fake_resolver.h), plus "dual.test", which answers at
// once with [::1, 127.0.0.1] on the asked port, IPv6 first.
const NetResolveSystem& DualResolver();
int DualLookups();

}  // namespace nubo::testing
