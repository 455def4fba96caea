#pragma once

// The network debugger's implementation object: the sink shared between the
// main thread and the session's worker (guarded by its mutex), the send
// queue, and the worker with the session of the configured mode.

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <string_view>
#include <thread>
#include <vector>

#include "debuggers/common/net_resolve.h"
#include "debuggers/common/socket_layer.h"
#include "debuggers/network/network_service.h"
#include "debuggers/network/network_session.h"
#include "debuggers/network/network_sink.h"
#include "debuggers/network/network_types.h"

namespace nubo {

class NetworkService::Impl : private NetworkSink {
 public:
  explicit Impl(const NetResolveSystem& resolver);
  ~Impl();

  void Start(const NetworkSessionConfig& config);
  void Stop();
  void Send(std::string_view hex, uint64_t targetPeerId);
  NetworkPollResult Poll();
  NetworkSnapshot GetSnapshot() const;

 private:
  // Worker (network_worker.cpp).
  void WorkerLoop();
  void RunSession();
  void DispatchQueuedSends();
  bool WaitAndProcess();
  void CloseSession();

  const NetResolveSystem& resolver_;

  // Shared with the worker, under mutex_.
  NetworkSessionConfig config_;
  std::deque<NetworkSendItem> sendQueue_;
  bool workerRunning_ = false;
  std::thread worker_;
  // Set with stopRequested_; read by a pending name resolution.
  std::atomic<bool> abandonResolve_{false};

  // Worker-owned; the session's configuration is copied at its start.
  NetworkSessionConfig session_;
  WinsockSession winsock_;
  std::unique_ptr<NetworkSession> active_;
  std::vector<NetSelectEntry> entries_;
  std::vector<uint8_t> receiveBuffer_;
  uint64_t nextPeerId_ = 1;
};

}  // namespace nubo
