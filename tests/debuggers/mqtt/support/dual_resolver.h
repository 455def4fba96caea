#pragma once

#include "debuggers/common/net_resolve.h"

namespace nubo::testing {

// The fake resolver (fake_resolver.h), plus "dual.test", which answers at
// once with [::1, 127.0.0.1] on the asked port, IPv6 first, and
// "throw.test", whose look-up throws std::runtime_error("look-up exploded").
const NetResolveSystem& DualResolver();

}  // namespace nubo::testing
