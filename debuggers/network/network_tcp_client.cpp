// The TCP client mode: tries the target's addresses in turn until one takes
// the connection, then reads and sends on that one stream.

#include <chrono>

#include "debuggers/common/failure_text.h"
#include "debuggers/network/network_limits.h"
#include "debuggers/network/network_session.h"
#include "debuggers/network/network_texts.h"

namespace nubo {
namespace {

namespace text = network::text;
using Clock = std::chrono::steady_clock;

class TcpClientSession final : public NetworkSession {
 public:
  explicit TcpClientSession(const NetworkSessionContext& context) : c_(context) {}

  bool Open() override {
    const NetworkSessionConfig& config = c_.config;
    int code = 0;
    targetCount_ = ResolveForSession(c_, config.remoteHost, config.remotePort, kNetResolveTcp, false, targets_, code);
    if (targetCount_ < 0) return FailResolution(c_, text::kOpResolveTarget, code);
    if (!config.localHost.empty()) {
      localCount_ = ResolveForSession(c_, config.localHost, config.localPort, kNetResolveTcp, true, locals_, code);
      if (localCount_ < 0) return FailResolution(c_, text::kOpResolveLocal, code);
    }
    return ConnectNext();
  }

  void Queue(NetworkSendItem item) override {
    if (stream_.socket && (connectPending_ || connected_)) {
      stream_.queue.push_back(OutgoingBuffer{std::make_shared<const std::vector<uint8_t>>(std::move(item.bytes)), 0});
      return;
    }
    c_.sink.ReleasePending(item.bytes.size());
    c_.sink.LogText(network::kKindError, text::kClientNotConnected);
  }

  void Watch(std::vector<NetSelectEntry>& entries) override {
    const bool write = connectPending_ || !stream_.queue.empty();
    entries.push_back(NetSelectEntry{stream_.socket.get(), connectPending_ ? 0 : 1, write ? 1 : 0, 0, 0, 0});
  }

  bool Process(const std::vector<NetSelectEntry>& entries, size_t readShare) override {
    const NetSelectEntry& entry = entries.front();
    int code = 0;
    if (entry.hasError != 0) {
      int32_t pending = 0;
      if (NetGetSocketError(stream_.socket.get(), &pending, &code) != 0) code = pending;
      if (connectPending_) return GiveUpTarget(text::kOpConnection, code);
      c_.sink.Fail(FormatWinsockFailure(text::kOpConnection, code));
      return false;
    }
    if (entry.writable != 0 && connectPending_) {
      int32_t pending = 0;
      const bool queried = NetGetSocketError(stream_.socket.get(), &pending, &code) != 0;
      if (!queried || pending != 0) return GiveUpTarget(text::kOpConnect, queried ? pending : code);
      OnConnected();
    }
    if (entry.readable != 0 && !Receive(readShare)) return false;
    if (entry.writable != 0 && !connectPending_ && !FlushTcpQueue(c_.sink, stream_)) {
      c_.sink.Fail(text::kClientSendFailed);
      return false;
    }
    if (connectPending_ &&
        Clock::now() - connectStarted_ >= std::chrono::milliseconds(network::kConnectTimeoutMilliseconds)) {
      c_.sink.Fail(text::kConnectTimedOut);
      return false;
    }
    return true;
  }

  void Close() override { ShutdownAndClose(stream_.socket); }

 private:
  // Starts a connection to the next target that takes one; when every target
  // has failed, fails the session with the last failure.
  bool ConnectNext() {
    while (nextTarget_ < targetCount_) {
      if (Connect(targets_[nextTarget_++])) return true;
    }
    c_.sink.Fail(FormatWinsockFailure(lastOperation_, lastCode_));
    return false;
  }

  // The connect in progress failed: on to the next target.
  bool GiveUpTarget(std::string_view operation, int code) {
    lastOperation_ = operation;
    lastCode_ = code;
    ShutdownAndClose(stream_.socket);
    connectPending_ = false;
    return ConnectNext();
  }

  // Starts a connection to one target, bound to a local address of its version
  // when any was given; false with the last code when it could not.
  bool Connect(const NetAddress& target) {
    lastOperation_ = text::kOpConnect;
    int code = 0;
    SocketHandle socket(NetSocket(&target, &code));
    if (!socket || NetSetNonBlocking(socket.get(), 1, &code) == 0) {
      lastCode_ = code;
      return false;
    }
    NetSetOobInline(socket.get(), nullptr);
    if (localCount_ > 0) {
      bool bound = false;
      for (int l = 0; l < localCount_ && !bound; ++l) {
        const int refusal = LocalAddressRefusal(locals_[l], &target, c_.config.allowLan);
        bound = refusal == 0 && NetBind(socket.get(), &locals_[l], &code) != 0;
        if (!bound) lastCode_ = refusal != 0 ? refusal : code;
      }
      if (!bound) return false;
    }
    const int status = NetConnect(socket.get(), &target, &code);
    if (status != kNetDone && status != kNetInProgress) {
      lastCode_ = code;
      return false;
    }
    stream_.socket = std::move(socket);
    SetEndpoint(target);
    // The session's first connect takes the peer id and starts the one time-out.
    const bool first = stream_.peerId == 0;
    if (first) {
      stream_.peerId = c_.nextPeerId++;
      connectStarted_ = Clock::now();
    }
    connectPending_ = status == kNetInProgress;
    if (!connectPending_) {
      OnConnected();
    } else if (first) {
      c_.sink.SetState(NetworkState::kConnecting, text::kConnecting);
    }
    return true;
  }

  void SetEndpoint(const NetAddress& address) {
    AddressText(address, stream_.host, stream_.port);
    stream_.label = EndpointLabel(stream_.host, stream_.port);
  }

  void OnConnected() {
    connectPending_ = false;
    connected_ = true;
    c_.sink.SetLocalEndpoint(stream_.socket.get());
    NetAddress peer{};
    if (NetGetPeerAddress(stream_.socket.get(), &peer, nullptr) != 0) SetEndpoint(peer);
    PublishPeer();
    c_.sink.LogText(network::kKindSystem, text::kConnectionEstablished, stream_.peerId, stream_.label);
    c_.sink.SetState(NetworkState::kConnected, text::kClientConnected);
  }

  bool Receive(size_t readShare) {
    int code = 0;
    const TcpReadEnd end = ReadTcpPass(c_, stream_, readShare, code);
    switch (end) {
      case TcpReadEnd::kDone:
        return true;
      case TcpReadEnd::kClosed:
        c_.sink.LogText(network::kKindSystem, text::kTargetClosed, stream_.peerId, stream_.label);
        c_.sink.Fail(text::kTargetClosed);
        return false;
      case TcpReadEnd::kFailed:
        c_.sink.Fail(FormatWinsockFailure(text::kOpReceiveTcp, code));
        return false;
    }
    return false;
  }

  void PublishPeer() {
    std::vector<NetworkPeerInfo> peers;
    if (connected_) peers.push_back(NetworkPeerInfo{stream_.peerId, stream_.host, stream_.port});
    c_.sink.PublishPeers(std::move(peers));
  }

  const NetworkSessionContext c_;  // references only: cheap to copy
  NetAddress targets_[network::kResolveCapacity]{};
  NetAddress locals_[network::kResolveCapacity]{};
  int targetCount_ = 0;
  int localCount_ = 0;
  int nextTarget_ = 0;
  std::string_view lastOperation_ = text::kOpConnect;
  int lastCode_ = 0;
  TcpStream stream_;
  Clock::time_point connectStarted_{};
  bool connectPending_ = false;
  bool connected_ = false;
};

}  // namespace

std::unique_ptr<NetworkSession> MakeTcpClientSession(const NetworkSessionContext& context) {
  return std::make_unique<TcpClientSession>(context);
}

}  // namespace nubo
