// The session's worker thread: opens the session in its mode, then runs
// passes of one readiness wait of at most 20 ms until stopped or failed.

#include <algorithm>
#include <exception>

#include "debuggers/common/ipv4_text.h"
#include "debuggers/network/network_config_check.h"
#include "debuggers/network/network_constants.h"
#include "debuggers/common/failure_text.h"
#include "debuggers/network/network_service_impl.h"
#include "store/file_utils.h"

namespace nubo {

namespace text = network::text;

namespace {

// Numeric host text and port of an address; "?" and 0 when unavailable.
void AddressText(const NetAddress& address, std::string& host, uint16_t& port) {
  char buffer[128] = {};
  uint16_t value = 0;
  if (NetAddressToText(&address, buffer, sizeof(buffer), &value, nullptr) != 0) {
    host = buffer;
    port = value;
  } else {
    host.assign(1, '?');  // assigning a literal trips a false GCC 12 warning
    port = 0;
  }
}

std::string EndpointLabel(const std::string& host, uint16_t port) {
  const bool ipv6 = host.find(':') != std::string::npos;
  std::string label;
  label.reserve(host.size() + 8);
  if (ipv6) label += '[';
  label += host;
  if (ipv6) label += ']';
  label += ':';
  label += std::to_string(port);
  return label;
}

std::string AddressLabel(const NetAddress& address) {
  std::string host;
  uint16_t port = 0;
  AddressText(address, host, port);
  return EndpointLabel(host, port);
}

}  // namespace

void NetworkService::Impl::WorkerLoop() {
  try {
    RunSession();
  } catch (const std::exception& failure) {
    // Nothing may leave the thread: a failure the worker did not foresee
    // (memory) ends the session like any other.
    try {
      Fail(failure.what());
    } catch (...) {
    }
  }
  try {
    CloseSockets();
  } catch (...) {
  }
  MarkNotRunning();
}

void NetworkService::Impl::RunSession() {
  {
    std::lock_guard lock(mutex_);
    session_ = config_;
  }
  int code = 0;
  winsock_ = StartWinsock(&code);
  if (!winsock_) {
    Fail(FormatWinsockFailure(text::kOpStartWinsock, code));
    return;
  }
  bool opened = false;
  if (session_.mode == network::kModeTcpServer) {
    opened = StartTcpServer();
  } else if (session_.mode == network::kModeTcpClient) {
    opened = StartTcpClient();
  } else {
    opened = OpenUdp();
  }
  while (opened) {
    if (StopRequested()) break;
    DispatchQueuedSends();
    if (StopRequested()) break;
    if (!WaitAndProcess()) break;
    if (connectPending_ &&
        Clock::now() - connectStarted_ >= std::chrono::milliseconds(network::kConnectTimeoutMilliseconds)) {
      Fail(text::kConnectTimedOut);
      break;
    }
  }
}

int NetworkService::Impl::Resolve(const std::string& host, uint16_t port, int kind, bool passive, NetAddress* out,
                                  int& code) {
  return NetResolveThrough(resolver_, host.c_str(), port, kind, passive ? 1 : 0, out, network::kResolveCapacity,
                           &abandonResolve_, &code);
}

bool NetworkService::Impl::FailResolution(std::string_view operation, int code) {
  // A look-up abandoned for a stop request is no failure of the session.
  if (!(code == WSAECANCELLED && abandonResolve_)) Fail(FormatWinsockFailure(operation, code));
  return false;
}

bool NetworkService::Impl::StartTcpClient() {
  NetAddress targets[network::kResolveCapacity];
  NetAddress locals[network::kResolveCapacity];
  int code = 0;
  const int targetCount = Resolve(session_.remoteHost, session_.remotePort, kNetResolveTcp, false, targets, code);
  if (targetCount < 0) return FailResolution(text::kOpResolveTarget, code);
  int localCount = 0;
  if (!session_.localHost.empty()) {
    localCount = Resolve(session_.localHost, session_.localPort, kNetResolveTcp, true, locals, code);
    if (localCount < 0) return FailResolution(text::kOpResolveLocal, code);
  }

  int lastCode = 0;
  for (int t = 0; t < targetCount; ++t) {
    const NetAddress& target = targets[t];
    SocketHandle socket(NetSocket(&target, &code));
    if (!socket || NetSetNonBlocking(socket.get(), 1, &code) == 0) {
      lastCode = code;
      continue;
    }
    NetSetOobInline(socket.get(), nullptr);
    if (localCount > 0) {
      bool bound = false;
      lastCode = WSAEAFNOSUPPORT;  // no local address of the target's version
      for (int l = 0; l < localCount && !bound; ++l) {
        if (NetAddressFamilyVersion(&locals[l]) != NetAddressFamilyVersion(&target)) continue;
        if (!session_.allowLan && NetIsLoopbackAddress(&locals[l]) == 0) {
          lastCode = WSAEACCES;
          continue;
        }
        bound = NetBind(socket.get(), &locals[l], &code) != 0;
        if (!bound) lastCode = code;
      }
      if (!bound) continue;
    }
    const int status = NetConnect(socket.get(), &target, &code);
    if (status != kNetDone && status != kNetInProgress) {
      lastCode = code;
      continue;
    }
    dataSocket_ = std::move(socket);
    SetClientEndpoint(target);
    clientPeerId_ = nextPeerId_++;
    connectPending_ = status == kNetInProgress;
    connectStarted_ = Clock::now();
    if (connectPending_) {
      SetState(network::kStateConnecting, text::kConnecting);
    } else {
      OnTcpConnected();
    }
    return true;
  }
  Fail(FormatWinsockFailure(text::kOpConnect, lastCode));
  return false;
}

void NetworkService::Impl::SetClientEndpoint(const NetAddress& address) {
  AddressText(address, clientHost_, clientPort_);
  clientLabel_ = EndpointLabel(clientHost_, clientPort_);
}

void NetworkService::Impl::OnTcpConnected() {
  connectPending_ = false;
  clientConnected_ = true;
  SetLocalEndpoint(dataSocket_.get());
  NetAddress peer{};
  if (NetGetPeerAddress(dataSocket_.get(), &peer, nullptr) != 0) SetClientEndpoint(peer);
  PublishPeers();
  LogText(network::kKindSystem, text::kConnectionEstablished, clientPeerId_, clientLabel_);
  SetState(network::kStateConnected, text::kClientConnected);
}

bool NetworkService::Impl::StartTcpServer() {
  NetAddress locals[network::kResolveCapacity];
  int code = 0;
  const int localCount = Resolve(session_.localHost, session_.localPort, kNetResolveTcp, true, locals, code);
  if (localCount < 0) return FailResolution(text::kOpResolveLocal, code);
  int lastCode = 0;
  for (int l = 0; l < localCount; ++l) {
    if (!session_.allowLan && NetIsLoopbackAddress(&locals[l]) == 0) {
      lastCode = WSAEACCES;
      continue;
    }
    SocketHandle socket(NetSocket(&locals[l], &code));
    const bool ready = socket && NetSetNonBlocking(socket.get(), 1, &code) != 0 &&
                       NetSetExclusiveAddressUse(socket.get(), &code) != 0 &&
                       NetBind(socket.get(), &locals[l], &code) != 0 &&
                       NetListen(socket.get(), network::kListenBacklog, &code) != 0;
    if (!ready) {
      lastCode = code;
      continue;
    }
    listenSocket_ = std::move(socket);
    SetLocalEndpoint(listenSocket_.get());
    SetState(network::kStateListening, text::kServerListening);
    return true;
  }
  Fail(FormatWinsockFailure(text::kOpListen, lastCode));
  return false;
}

bool NetworkService::Impl::OpenUdp() {
  NetAddress targets[network::kResolveCapacity];
  NetAddress locals[network::kResolveCapacity];
  int code = 0;
  const int targetCount = Resolve(session_.remoteHost, session_.remotePort, kNetResolveUdp, false, targets, code);
  if (targetCount < 0) return FailResolution(text::kOpResolveUdp, code);
  const int localCount = Resolve(session_.localHost, session_.localPort, kNetResolveUdp, true, locals, code);
  if (localCount < 0) return FailResolution(text::kOpResolveUdp, code);

  const bool joinGroup = !session_.multicastGroup.empty();
  const bool loopbackOnly =
      IsLoopbackHostText(session_.localHost) && IsLoopbackHostText(session_.multicastInterface);
  std::string_view operation = text::kOpBindUdp;
  int lastCode = 0;
  for (int t = 0; t < targetCount; ++t) {
    const NetAddress& target = targets[t];
    std::string targetHost;
    uint16_t targetPort = 0;
    AddressText(target, targetHost, targetPort);
    const bool sendsMulticast = joinGroup || IsIpv4MulticastText(targetHost);
    if (sendsMulticast && !session_.allowLan && !loopbackOnly) {
      Fail(text::kMulticastNeedsLan);
      return false;
    }
    for (int l = 0; l < localCount; ++l) {
      if (NetAddressFamilyVersion(&locals[l]) != NetAddressFamilyVersion(&target)) continue;
      if (!session_.allowLan && NetIsLoopbackAddress(&locals[l]) == 0) continue;
      SocketHandle socket(NetSocket(&target, &code));
      if (!socket || NetSetNonBlocking(socket.get(), 1, &code) == 0 ||
          NetSetExclusiveAddressUse(socket.get(), &code) == 0 || NetBind(socket.get(), &locals[l], &code) == 0) {
        lastCode = code;
        continue;
      }
      // Best effort: without it a datagram that met a closed port would fail
      // the next receive and end the session.
      NetDisableUdpResetReports(socket.get(), nullptr);
      if (sendsMulticast && NetSetMulticastSendOptions(socket.get(), session_.multicastInterface.c_str(),
                                                       session_.multicastTtl, &code) == 0) {
        operation = text::kOpMulticastSendOptions;
        lastCode = code;
        continue;
      }
      if (joinGroup && NetSetMulticastMembership(socket.get(), session_.multicastGroup.c_str(),
                                                 session_.multicastInterface.c_str(), 1, &code) == 0) {
        operation = text::kOpJoinGroup;
        lastCode = code;
        continue;
      }
      joinedGroup_ = joinGroup;
      {
        std::lock_guard lock(mutex_);
        snapshot_.multicastJoined = joinGroup;
      }
      dataSocket_ = std::move(socket);
      udpTarget_ = target;
      udpTargetSet_ = true;
      udpTargetLabel_ = EndpointLabel(targetHost, targetPort);
      SetLocalEndpoint(dataSocket_.get());
      SetState(network::kStateReady, text::kUdpOpen);
      if (sendsMulticast) {
        const std::string_view label = IsAnyInterfaceText(session_.multicastInterface)
                                           ? text::kMulticastSystemRoute
                                           : std::string_view(session_.multicastInterface);
        LogText(network::kKindSystem, std::string(text::kMulticastSendPrefix) + std::string(label) +
                                          std::string(text::kMulticastTtlPrefix) +
                                          std::to_string(session_.multicastTtl) + "。");
      }
      if (joinGroup) {
        LogText(network::kKindSystem, std::string(text::kGroupJoinedPrefix) + session_.multicastGroup +
                                          std::string(text::kGroupJoinedSuffix));
      }
      return true;
    }
  }
  Fail(FormatWinsockFailure(operation, lastCode));
  return false;
}

void NetworkService::Impl::DispatchQueuedSends() {
  std::deque<NetworkSendItem> items;
  {
    std::lock_guard lock(mutex_);
    items.swap(sendQueue_);
  }
  for (NetworkSendItem& item : items) {
    const uint64_t size = item.bytes.size();
    if (session_.mode == network::kModeTcpServer) {
      QueueServerSend(std::move(item.bytes), item.targetPeerId);
    } else if (session_.mode == network::kModeTcpClient) {
      if (dataSocket_ && (connectPending_ || clientConnected_)) {
        clientQueue_.push_back(OutgoingBuffer{std::make_shared<const std::vector<uint8_t>>(std::move(item.bytes)), 0});
      } else {
        ReleasePending(size);
        LogText(network::kKindError, text::kClientNotConnected);
      }
    } else if (dataSocket_ && udpTargetSet_) {
      udpQueue_.push_back(std::move(item.bytes));
    } else {
      ReleasePending(size);
      LogText(network::kKindError, text::kUdpNotOpen);
    }
  }
}

void NetworkService::Impl::QueueServerSend(std::vector<uint8_t> bytes, uint64_t targetPeerId) {
  const uint64_t size = bytes.size();
  if (peers_.empty()) {
    ReleasePending(size);
    LogText(network::kKindError, text::kServerNoPeers, targetPeerId);
    return;
  }
  auto shared = std::make_shared<const std::vector<uint8_t>>(std::move(bytes));
  if (targetPeerId != 0) {
    if (NetworkPeer* peer = FindPeer(targetPeerId)) {
      peer->queue.push_back(OutgoingBuffer{shared, 0});
    } else {
      ReleasePending(size);
      LogText(network::kKindError, text::kTargetPeerGone, targetPeerId);
    }
    return;
  }
  // Send counted the bytes once; every further peer needs them again.
  const uint64_t extra = (peers_.size() - 1) * size;
  bool accepted = true;
  {
    std::lock_guard lock(mutex_);
    accepted = pendingSendBytes_ + extra <= network::kMaxPendingSendBytes;
    if (accepted) pendingSendBytes_ += extra;
  }
  if (!accepted) {
    ReleasePending(size);
    LogText(network::kKindError, text::kBroadcastTooLarge);
    return;
  }
  for (NetworkPeer& peer : peers_) peer.queue.push_back(OutgoingBuffer{shared, 0});
}

bool NetworkService::Impl::WaitAndProcess() {
  enum class Which { kListen, kData, kPeer };
  struct Target {
    Which which;
    uint64_t peerId;
  };
  std::vector<NetSelectEntry> entries;
  std::vector<Target> targets;
  entries.reserve(network::kMaxPeers + 2);
  targets.reserve(network::kMaxPeers + 2);
  const auto watch = [&](SOCKET socket, bool read, bool write, Target target) {
    entries.push_back(NetSelectEntry{socket, read ? 1 : 0, write ? 1 : 0, 0, 0, 0});
    targets.push_back(target);
  };
  if (listenSocket_) {
    // With 32 peers further clients wait in the system's listen backlog.
    watch(listenSocket_.get(), peers_.size() < network::kMaxPeers, false, {Which::kListen, 0});
  }
  if (dataSocket_) {
    const bool write = connectPending_ || !clientQueue_.empty() || !udpQueue_.empty();
    watch(dataSocket_.get(), !connectPending_, write, {Which::kData, 0});
  }
  for (const NetworkPeer& peer : peers_) watch(peer.socket.get(), true, !peer.queue.empty(), {Which::kPeer, peer.peerId});

  if (entries.empty()) {
    std::unique_lock lock(mutex_);
    wake_.wait_for(lock, std::chrono::milliseconds(network::kWaitMilliseconds),
                   [this] { return stopRequested_ || !sendQueue_.empty(); });
    return true;
  }
  int code = 0;
  const int ready = NetSelect(entries.data(), entries.size(), network::kWaitMilliseconds, &code);
  if (ready < 0) {
    Fail(FormatWinsockFailure(text::kOpWait, code));
    return false;
  }
  if (ready == 0) return true;
  for (size_t i = 0; i < entries.size(); ++i) {
    const NetSelectEntry& entry = entries[i];
    switch (targets[i].which) {
      case Which::kListen:
        if (entry.readable != 0) AcceptClients();
        break;
      case Which::kData:
        if (!ProcessDataSocket(entry)) return false;
        break;
      case Which::kPeer:
        ProcessPeer(targets[i].peerId, entry);
        break;
    }
  }
  return true;
}

bool NetworkService::Impl::ProcessDataSocket(const NetSelectEntry& entry) {
  const bool udp = session_.mode == network::kModeUdp;
  int code = 0;
  if (entry.hasError != 0) {
    int32_t pending = 0;
    if (NetGetSocketError(dataSocket_.get(), &pending, &code) != 0) code = pending;
    Fail(FormatWinsockFailure(text::kOpConnection, code));
    return false;
  }
  if (entry.writable != 0 && connectPending_) {
    int32_t pending = 0;
    const bool queried = NetGetSocketError(dataSocket_.get(), &pending, &code) != 0;
    if (!queried || pending != 0) {
      Fail(FormatWinsockFailure(text::kOpConnect, queried ? pending : code));
      return false;
    }
    OnTcpConnected();
  }
  if (entry.readable != 0 && !(udp ? ReceiveUdp() : ReceiveTcpClient())) return false;
  if (entry.writable != 0 && !connectPending_) {
    if (udp) return FlushUdpSendQueue();
    if (!FlushTcpSendQueue(dataSocket_.get(), clientPeerId_, clientLabel_, clientQueue_)) {
      Fail(text::kClientSendFailed);
      return false;
    }
  }
  return true;
}

void NetworkService::Impl::ProcessPeer(uint64_t peerId, const NetSelectEntry& entry) {
  if (FindPeer(peerId) == nullptr) return;
  if (entry.hasError != 0) {
    ClosePeer(peerId, text::kPeerSocketError);
    return;
  }
  if (entry.readable != 0) ReceiveTcpPeer(peerId);
  NetworkPeer* peer = FindPeer(peerId);
  if (peer != nullptr && entry.writable != 0 &&
      !FlushTcpSendQueue(peer->socket.get(), peer->peerId, peer->label, peer->queue)) {
    ClosePeer(peerId, text::kPeerSendFailed);
  }
}

void NetworkService::Impl::AcceptClients() {
  while (peers_.size() < network::kMaxPeers) {
    NetAddress address{};
    int status = 0;
    int code = 0;
    SocketHandle socket(NetAccept(listenSocket_.get(), &address, &status, &code));
    if (!socket) {
      if (status != kNetWouldBlock) LogText(network::kKindError, FormatWinsockFailure(text::kOpAccept, code));
      return;
    }
    if (NetSetNonBlocking(socket.get(), 1, nullptr) == 0) continue;
    NetSetOobInline(socket.get(), nullptr);
    NetworkPeer peer;
    peer.peerId = nextPeerId_++;
    peer.socket = std::move(socket);
    AddressText(address, peer.host, peer.port);
    peer.label = EndpointLabel(peer.host, peer.port);
    const uint64_t peerId = peer.peerId;
    const std::string label = peer.label;
    peers_.push_back(std::move(peer));
    PublishPeers();
    LogText(network::kKindSystem, text::kPeerAccepted, peerId, label);
  }
}

std::vector<NetworkPeer>::iterator NetworkService::Impl::FindPeerIt(uint64_t peerId) {
  return std::find_if(peers_.begin(), peers_.end(), [peerId](const NetworkPeer& peer) { return peer.peerId == peerId; });
}

NetworkPeer* NetworkService::Impl::FindPeer(uint64_t peerId) {
  const auto found = FindPeerIt(peerId);
  return found == peers_.end() ? nullptr : &*found;
}

void NetworkService::Impl::ClosePeer(uint64_t peerId, std::string_view message) {
  const auto found = FindPeerIt(peerId);
  if (found == peers_.end()) return;
  uint64_t unsent = 0;
  for (const OutgoingBuffer& buffer : found->queue) unsent += buffer.bytes->size() - buffer.sent;
  ReleasePending(unsent);
  ShutdownAndClose(found->socket);
  const std::string label = found->label;
  peers_.erase(found);
  PublishPeers();
  LogText(network::kKindSystem, message, peerId, label);
}

NetworkService::Impl::TcpReadEnd NetworkService::Impl::ReadTcpPass(SOCKET socket, uint64_t peerId,
                                                                   const std::string& label, int& code) {
  size_t taken = 0;
  for (int reads = 0; reads < network::kMaxReadsPerSocketPass && taken < network::kMaxReadBytesPerSocketPass;
       ++reads) {
    size_t length = 0;
    int readCode = 0;
    const int status = NetRecv(socket, receiveBuffer_.data(), receiveBuffer_.size(), &length, &readCode);
    if (status == kNetDone) {
      RecordReceived(peerId, label, receiveBuffer_.data(), length, network::kTcpReadBytes);
      taken += length;
      if (length < receiveBuffer_.size()) return TcpReadEnd::kDone;  // drained: a further call would only block
    } else if (status == kNetWouldBlock) {
      return TcpReadEnd::kDone;
    } else if (status == kNetClosed) {
      return TcpReadEnd::kClosed;
    } else {
      code = readCode;
      return TcpReadEnd::kFailed;
    }
  }
  return TcpReadEnd::kDone;  // more may wait; the next pass reads on after sends and stop requests
}

bool NetworkService::Impl::ReceiveTcpClient() {
  int code = 0;
  const TcpReadEnd end = ReadTcpPass(dataSocket_.get(), clientPeerId_, clientLabel_, code);
  if (end == TcpReadEnd::kDone) return true;
  if (end == TcpReadEnd::kClosed) {
    LogText(network::kKindSystem, text::kTargetClosed, clientPeerId_, clientLabel_);
    Fail(text::kTargetClosed);
  } else {
    Fail(FormatWinsockFailure(text::kOpReceiveTcp, code));
  }
  return false;
}

void NetworkService::Impl::ReceiveTcpPeer(uint64_t peerId) {
  NetworkPeer* peer = FindPeer(peerId);
  if (peer == nullptr) return;
  int code = 0;
  const TcpReadEnd end = ReadTcpPass(peer->socket.get(), peerId, peer->label, code);
  if (end == TcpReadEnd::kClosed) {
    ClosePeer(peerId, text::kPeerClosed);
  } else if (end == TcpReadEnd::kFailed) {
    ClosePeer(peerId, FormatWinsockFailure(text::kOpReceiveTcp, code));
  }
}

bool NetworkService::Impl::ReceiveUdp() {
  size_t taken = 0;
  for (int reads = 0; reads < network::kMaxReadsPerSocketPass && taken < network::kMaxReadBytesPerSocketPass;
       ++reads) {
    size_t length = 0;
    int code = 0;
    NetAddress sender{};
    const int status =
        NetRecvFrom(dataSocket_.get(), receiveBuffer_.data(), network::kUdpReadBytes, &length, &sender, &code);
    if (status == kNetWouldBlock) return true;
    if (status != kNetDone) {
      Fail(FormatWinsockFailure(text::kOpReceiveUdp, code));
      return false;
    }
    RecordReceived(0, AddressLabel(sender), receiveBuffer_.data(), length, network::kUdpReadBytes);
    taken += length;
  }
  return true;
}

void NetworkService::Impl::RecordReceived(uint64_t peerId, const std::string& label, const uint8_t* data, size_t size,
                                          size_t readBytes) {
  // Each read of readBytes (the last one shorter) is one "received" event;
  // the events are built outside the lock and logged under it at once.
  std::vector<std::pair<NetworkEvent, std::vector<uint8_t>>> reads;
  size_t offset = 0;
  do {
    const size_t length = std::min(readBytes, size - offset);
    NetworkEvent event;
    event.kind = network::kKindReceived;
    event.peerId = peerId;
    event.peerLabel = label;
    reads.emplace_back(std::move(event), std::vector<uint8_t>(data + offset, data + offset + length));
    offset += length;
  } while (offset < size);
  const int64_t now = NowMilliseconds();
  std::lock_guard lock(mutex_);
  snapshot_.rxPackets += reads.size();
  snapshot_.rxBytes += size;
  for (auto& [event, bytes] : reads) log_.Append(std::move(event), std::move(bytes), now);
}

bool NetworkService::Impl::FlushTcpSendQueue(SOCKET socket, uint64_t peerId, const std::string& label,
                                             OutgoingQueue& queue) {
  while (!queue.empty()) {
    OutgoingBuffer& front = queue.front();
    const std::vector<uint8_t>& bytes = *front.bytes;
    size_t sent = 0;
    int code = 0;
    const int status = NetSend(socket, bytes.data() + front.sent, bytes.size() - front.sent, &sent, &code);
    if (status == kNetWouldBlock) return true;
    if (status != kNetDone) {
      LogText(network::kKindError, FormatWinsockFailure(text::kOpSendTcp, status == kNetClosed ? 0 : code),
              peerId, label);
      return false;
    }
    front.sent += sent;
    {
      std::lock_guard lock(mutex_);
      snapshot_.txBytes += sent;
      pendingSendBytes_ = sent > pendingSendBytes_ ? 0 : pendingSendBytes_ - sent;
      if (front.sent == bytes.size()) snapshot_.txPackets += 1;
    }
    if (front.sent == bytes.size()) {
      NetworkEvent event;
      event.kind = network::kKindSent;
      event.peerId = peerId;
      event.peerLabel = label;
      AppendEvent(std::move(event), bytes);
      queue.pop_front();
    }
  }
  return true;
}

bool NetworkService::Impl::FlushUdpSendQueue() {
  while (!udpQueue_.empty()) {
    std::vector<uint8_t>& datagram = udpQueue_.front();
    size_t sent = 0;
    int code = 0;
    const int status = NetSendTo(dataSocket_.get(), datagram.data(), datagram.size(), &udpTarget_, &sent, &code);
    if (status == kNetWouldBlock) return true;
    if (status != kNetDone || sent != datagram.size()) {
      Fail(FormatWinsockFailure(text::kOpSendUdp, status == kNetFailed ? code : 0));
      return false;
    }
    {
      std::lock_guard lock(mutex_);
      snapshot_.txBytes += sent;
      snapshot_.txPackets += 1;
      pendingSendBytes_ = sent > pendingSendBytes_ ? 0 : pendingSendBytes_ - sent;
    }
    NetworkEvent event;
    event.kind = network::kKindSent;
    event.peerLabel = udpTargetLabel_;
    AppendEvent(std::move(event), std::move(datagram));
    udpQueue_.pop_front();
  }
  return true;
}

void NetworkService::Impl::PublishPeers() {
  std::vector<NetworkPeerInfo> peers;
  if (session_.mode == network::kModeTcpServer) {
    for (const NetworkPeer& peer : peers_) peers.push_back(NetworkPeerInfo{peer.peerId, peer.host, peer.port});
  } else if (session_.mode == network::kModeTcpClient && clientConnected_) {
    peers.push_back(NetworkPeerInfo{clientPeerId_, clientHost_, clientPort_});
  }
  std::lock_guard lock(mutex_);
  snapshot_.peers.swap(peers);
}

void NetworkService::Impl::SetLocalEndpoint(SOCKET socket) {
  NetAddress local{};
  if (NetGetLocalAddress(socket, &local, nullptr) == 0) return;
  std::string host;
  uint16_t port = 0;
  AddressText(local, host, port);
  std::lock_guard lock(mutex_);
  snapshot_.localHost = host;
  snapshot_.localPort = port;
}

void NetworkService::Impl::SetState(std::string_view state, std::string_view message) {
  {
    std::lock_guard lock(mutex_);
    snapshot_.state = state;
    if (state != network::kStateError) snapshot_.lastError.clear();
  }
  LogText(network::kKindSystem, message);
}

void NetworkService::Impl::Fail(std::string_view message) {
  {
    std::lock_guard lock(mutex_);
    snapshot_.state = network::kStateError;
    snapshot_.lastError = message;
  }
  LogText(network::kKindError, message);
}

void NetworkService::Impl::CloseSockets() {
  ShutdownAndClose(listenSocket_);
  if (joinedGroup_) {
    NetSetMulticastMembership(dataSocket_.get(), session_.multicastGroup.c_str(),
                              session_.multicastInterface.c_str(), 0, nullptr);
  }
  ShutdownAndClose(dataSocket_);
  for (NetworkPeer& peer : peers_) ShutdownAndClose(peer.socket);
  peers_.clear();
  clientQueue_.clear();
  udpQueue_.clear();
  const bool leftGroup = joinedGroup_;
  connectPending_ = clientConnected_ = udpTargetSet_ = joinedGroup_ = false;
  clientHost_.clear();
  clientPort_ = 0;
  clientLabel_.clear();
  winsock_.reset();
  {
    std::lock_guard lock(mutex_);
    sendQueue_.clear();
    pendingSendBytes_ = 0;
    snapshot_.multicastJoined = false;
  }
  if (leftGroup) LogText(network::kKindSystem, text::kGroupLeft);
  PublishPeers();
}

void NetworkService::Impl::MarkNotRunning() {
  std::lock_guard lock(mutex_);
  workerRunning_ = false;
}

}  // namespace nubo
