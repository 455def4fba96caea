#pragma once

// The network debugger's implementation object: the state shared between the
// main thread and the session's worker (guarded by one mutex), and the
// worker's own sockets, peers and queues.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "debuggers/common/net_resolve.h"
#include "debuggers/network/network_event_log.h"
#include "debuggers/network/network_service.h"
#include "debuggers/network/network_types.h"
#include "debuggers/common/socket_layer.h"

namespace nubo {

struct NetworkSendItem {
  std::vector<uint8_t> bytes;
  uint64_t targetPeerId = 0;
};

// One queued TCP buffer; a broadcast shares its bytes between the peers.
struct OutgoingBuffer {
  std::shared_ptr<const std::vector<uint8_t>> bytes;
  size_t sent = 0;
};
using OutgoingQueue = std::deque<OutgoingBuffer>;

struct NetworkPeer {
  uint64_t peerId = 0;
  SocketHandle socket;
  std::string host;
  uint16_t port = 0;
  std::string label;
  OutgoingQueue queue;
};

class NetworkService::Impl {
 public:
  explicit Impl(const NetResolveSystem& resolver);
  ~Impl();

  bool Start(const NetworkSessionConfig& config, std::string& error);
  void Stop();
  bool Send(std::string_view hex, uint64_t targetPeerId, std::string& error);
  NetworkPollResult Poll();
  NetworkSnapshot GetSnapshot() const;

 private:
  using Clock = std::chrono::steady_clock;

  // Shared with the worker, under mutex_.
  void AppendEvent(NetworkEvent event, std::vector<uint8_t> data = {});
  void LogText(std::string_view kind, std::string_view message, uint64_t peerId = 0, std::string_view label = {});
  void ReleasePending(uint64_t bytes);
  bool StopRequested() const;

  // Worker (network_worker.cpp).
  void WorkerLoop();
  void RunSession();
  bool StartTcpClient();
  bool StartTcpServer();
  bool OpenUdp();
  int Resolve(const std::string& host, uint16_t port, int kind, bool passive, NetAddress* out, int& code);
  bool FailResolution(std::string_view operation, int code);
  void DispatchQueuedSends();
  void QueueServerSend(std::vector<uint8_t> bytes, uint64_t targetPeerId);
  bool WaitAndProcess();
  bool ProcessDataSocket(const NetSelectEntry& entry);
  void ProcessPeer(uint64_t peerId, const NetSelectEntry& entry);
  void AcceptClients();
  void ClosePeer(uint64_t peerId, std::string_view message);
  std::vector<NetworkPeer>::iterator FindPeerIt(uint64_t peerId);
  NetworkPeer* FindPeer(uint64_t peerId);
  void SetClientEndpoint(const NetAddress& address);
  void OnTcpConnected();
  // How one pass of reads on a TCP socket ended; code holds the failure's.
  enum class TcpReadEnd { kDone, kClosed, kFailed };
  TcpReadEnd ReadTcpPass(SOCKET socket, uint64_t peerId, const std::string& label, int& code);
  bool ReceiveTcpClient();
  void ReceiveTcpPeer(uint64_t peerId);
  bool ReceiveUdp();
  // Counts and logs what one receive call took, as reads of readBytes each
  // (a datagram, also an empty one, is one read).
  void RecordReceived(uint64_t peerId, const std::string& label, const uint8_t* data, size_t size, size_t readBytes);
  bool FlushTcpSendQueue(SOCKET socket, uint64_t peerId, const std::string& label, OutgoingQueue& queue);
  bool FlushUdpSendQueue();
  void PublishPeers();
  void SetLocalEndpoint(SOCKET socket);
  void SetState(std::string_view state, std::string_view message);
  void Fail(std::string_view message);
  void CloseSockets();
  void MarkNotRunning();

  const NetResolveSystem& resolver_;

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  NetworkSessionConfig config_;
  NetworkSnapshot snapshot_;
  NetworkEventLog log_;
  std::deque<NetworkSendItem> sendQueue_;
  uint64_t pendingSendBytes_ = 0;
  bool stopRequested_ = false;
  bool workerRunning_ = false;
  std::thread worker_;
  // Set with stopRequested_; read by a pending name resolution.
  std::atomic<bool> abandonResolve_{false};

  // Worker-owned; the session's configuration is copied at its start.
  NetworkSessionConfig session_;
  SocketHandle listenSocket_;
  SocketHandle dataSocket_;
  NetAddress udpTarget_{};
  bool udpTargetSet_ = false;
  std::string udpTargetLabel_;
  std::vector<NetworkPeer> peers_;
  OutgoingQueue clientQueue_;
  std::deque<std::vector<uint8_t>> udpQueue_;
  uint64_t clientPeerId_ = 0;
  std::string clientHost_;
  uint16_t clientPort_ = 0;
  std::string clientLabel_;  // "host:port" of clientHost_ and clientPort_
  uint64_t nextPeerId_ = 1;
  Clock::time_point connectStarted_{};
  bool connectPending_ = false;
  bool clientConnected_ = false;
  bool joinedGroup_ = false;
  WinsockSession winsock_;
  std::vector<uint8_t> receiveBuffer_;
};

}  // namespace nubo
