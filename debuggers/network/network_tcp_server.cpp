// The TCP server mode: listens on the first local address that takes it and
// serves up to kMaxPeers clients; further clients wait in the listen backlog.

#include <algorithm>

#include "debuggers/common/failure_text.h"
#include "debuggers/network/network_limits.h"
#include "debuggers/network/network_session.h"
#include "debuggers/network/network_texts.h"

namespace nubo {
namespace {

namespace text = network::text;

class TcpServerSession final : public NetworkSession {
 public:
  explicit TcpServerSession(const NetworkSessionContext& context) : c_(context) {}

  bool Open() override {
    const NetworkSessionConfig& config = c_.config;
    NetAddress locals[network::kResolveCapacity];
    int code = 0;
    const int localCount =
        ResolveForSession(c_, config.localHost, config.localPort, kNetResolveTcp, true, locals, code);
    if (localCount < 0) return FailResolution(c_, text::kOpResolveLocal, code);
    int lastCode = 0;
    for (int l = 0; l < localCount; ++l) {
      const int refusal = LocalAddressRefusal(locals[l], nullptr, config.allowLan);
      if (refusal != 0) {
        lastCode = refusal;
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
      c_.sink.SetLocalEndpoint(listenSocket_.get());
      c_.sink.SetState(NetworkState::kListening, text::kServerListening);
      return true;
    }
    c_.sink.Fail(FormatWinsockFailure(text::kOpListen, lastCode));
    return false;
  }

  void Queue(NetworkSendItem item) override {
    const uint64_t size = item.bytes.size();
    const uint64_t targetPeerId = item.targetPeerId;
    if (peers_.empty()) {
      c_.sink.ReleasePending(size);
      c_.sink.LogText(network::kKindError, text::kServerNoPeers, targetPeerId);
      return;
    }
    auto shared = std::make_shared<const std::vector<uint8_t>>(std::move(item.bytes));
    if (targetPeerId != 0) {
      const auto peer = FindPeer(targetPeerId);
      if (peer != peers_.end()) {
        peer->queue.push_back(OutgoingBuffer{shared, 0});
      } else {
        c_.sink.ReleasePending(size);
        c_.sink.LogText(network::kKindError, text::kTargetPeerGone, targetPeerId);
      }
      return;
    }
    // The send counted the bytes once; every further peer needs them again.
    if (!c_.sink.ReservePending((peers_.size() - 1) * size)) {
      c_.sink.ReleasePending(size);
      c_.sink.LogText(network::kKindError, text::kBroadcastTooLarge);
      return;
    }
    for (TcpStream& peer : peers_) peer.queue.push_back(OutgoingBuffer{shared, 0});
  }

  void Watch(std::vector<NetSelectEntry>& entries) override {
    const bool room = peers_.size() < network::kMaxPeers;
    entries.push_back(NetSelectEntry{listenSocket_.get(), room ? 1 : 0, 0, 0, 0, 0});
    watchedPeers_.clear();
    for (const TcpStream& peer : peers_) {
      entries.push_back(NetSelectEntry{peer.socket.get(), 1, peer.queue.empty() ? 0 : 1, 0, 0, 0});
      watchedPeers_.push_back(peer.peerId);
    }
  }

  bool Process(const std::vector<NetSelectEntry>& entries, size_t readShare) override {
    if (entries.front().readable != 0) Accept();
    for (size_t i = 0; i < watchedPeers_.size(); ++i) ProcessPeer(watchedPeers_[i], entries[i + 1], readShare);
    return true;
  }

  void Close() override {
    ShutdownAndClose(listenSocket_);
    for (TcpStream& peer : peers_) ShutdownAndClose(peer.socket);
    peers_.clear();
  }

 private:
  void Accept() {
    while (peers_.size() < network::kMaxPeers) {
      NetAddress address{};
      int status = 0;
      int code = 0;
      SocketHandle socket(NetAccept(listenSocket_.get(), &address, &status, &code));
      if (!socket) {
        if (status != kNetWouldBlock) {
          c_.sink.LogText(network::kKindError, FormatWinsockFailure(text::kOpAccept, code));
        }
        return;
      }
      if (NetSetNonBlocking(socket.get(), 1, nullptr) == 0) continue;
      NetSetOobInline(socket.get(), nullptr);
      TcpStream& peer = peers_.emplace_back();
      peer.peerId = c_.nextPeerId++;
      peer.socket = std::move(socket);
      AddressText(address, peer.host, peer.port);
      peer.label = EndpointLabel(peer.host, peer.port);
      const uint64_t peerId = peer.peerId;
      const std::string label = peer.label;
      PublishPeers();
      c_.sink.LogText(network::kKindSystem, text::kPeerAccepted, peerId, label);
    }
  }

  void ProcessPeer(uint64_t peerId, const NetSelectEntry& entry, size_t readShare) {
    auto peer = FindPeer(peerId);
    if (peer == peers_.end()) return;
    if (entry.hasError != 0) {
      ClosePeer(peerId, text::kPeerSocketError);
      return;
    }
    if (entry.readable != 0) {
      int code = 0;
      const TcpReadEnd end = ReadTcpPass(c_, *peer, readShare, code);
      if (end == TcpReadEnd::kClosed) {
        ClosePeer(peerId, text::kPeerClosed);
        return;
      }
      if (end == TcpReadEnd::kFailed) {
        ClosePeer(peerId, FormatWinsockFailure(text::kOpReceiveTcp, code));
        return;
      }
    }
    if (entry.writable != 0 && !FlushTcpQueue(c_.sink, *peer)) ClosePeer(peerId, text::kPeerSendFailed);
  }

  void ClosePeer(uint64_t peerId, std::string_view message) {
    const auto found = FindPeer(peerId);
    if (found == peers_.end()) return;
    c_.sink.ReleasePending(UnsentBytes(found->queue));
    ShutdownAndClose(found->socket);
    const std::string label = found->label;
    peers_.erase(found);
    PublishPeers();
    c_.sink.LogText(network::kKindSystem, message, peerId, label);
  }

  std::vector<TcpStream>::iterator FindPeer(uint64_t peerId) {
    return std::find_if(peers_.begin(), peers_.end(),
                        [peerId](const TcpStream& peer) { return peer.peerId == peerId; });
  }

  void PublishPeers() {
    std::vector<NetworkPeerInfo> peers;
    for (const TcpStream& peer : peers_) peers.push_back(NetworkPeerInfo{peer.peerId, peer.host, peer.port});
    c_.sink.PublishPeers(std::move(peers));
  }

  const NetworkSessionContext c_;  // references only: cheap to copy
  SocketHandle listenSocket_;
  std::vector<TcpStream> peers_;
  std::vector<uint64_t> watchedPeers_;  // the peer of each entry after the listening one
};

}  // namespace

std::unique_ptr<NetworkSession> MakeTcpServerSession(const NetworkSessionContext& context) {
  return std::make_unique<TcpServerSession>(context);
}

}  // namespace nubo
