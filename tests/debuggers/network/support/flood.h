#pragma once

#include <string>

#include "debuggers/network/network_service.h"
#include "tests/debuggers/network/support/python_peer.h"
#include "tests/debuggers/network/support/route_session.h"

namespace nubo::testing {

// Starts a session of the mode ("tcp-client", "tcp-server" or "udp") and a
// flood from the peer towards it; false when the session does not come up.
bool StartFloodedSession(PythonPeer& peer, RouteSession& session, const std::string& mode);

// Waits until the flood has filled the event log many times over: 4 MiB of
// full TCP reads, or 1 MiB of 512-byte datagrams (2048 events).
bool WaitForFlood(NetworkService& service, const std::string& mode);

// Starts a TCP server and kManyFlooders clients that flood it, each from a
// process of its own; true once all are connected and 64 MiB have arrived.
inline constexpr size_t kManyFlooders = 32;
bool StartServerFloodedByMany(PythonPeer& peer, RouteSession& session, NetworkService& service);

}  // namespace nubo::testing
