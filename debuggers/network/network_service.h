#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "debuggers/network/network_types.h"

namespace nubo {

struct NetResolveSystem;

// The workbench's network debugger: one session at a time as a TCP client, a
// TCP server for up to 32 clients, or a UDP endpoint with optional IPv4
// multicast. All socket work runs on the session's worker thread; the calls
// below are made on the main thread and only exchange state with it.
//
// Stop() ends the session and joins its worker; it is safe at any time, any
// number of times, also when no session ever ran. The destructor stops too.
class NetworkService {
 public:
  NetworkService();
  // Resolves names through the given system calls instead of the system's
  // own; they must outlive every look-up they start.
  explicit NetworkService(const NetResolveSystem& resolver);
  ~NetworkService();

  NetworkService(const NetworkService&) = delete;
  NetworkService& operator=(const NetworkService&) = delete;

  // Stops any earlier session, checks the configuration and starts the
  // worker. Throws with the user's sentence when refused.
  void Start(const NetworkSessionConfig& config);
  void Stop();
  // Queues the bytes of hexadecimal text; targetPeerId 0 means every peer of
  // a TCP server. Throws with the user's sentence when refused.
  void Send(std::string_view hex, uint64_t targetPeerId);
  // The snapshot and the oldest logged events (at most 256 and 1 MiB).
  NetworkPollResult Poll();
  NetworkSnapshot GetSnapshot() const;
  // The up local IPv4 adapter addresses; throws with the user's sentence.
  std::vector<NetworkInterfaceInfo> ListInterfaces() const;

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace nubo
