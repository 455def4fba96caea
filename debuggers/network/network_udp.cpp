// The UDP mode: one endpoint bound locally that sends to the configured
// target, optionally as IPv4 multicast and joined to a receive group.

#include "debuggers/common/failure_text.h"
#include "debuggers/common/ipv4_text.h"
#include "debuggers/network/network_config_check.h"
#include "debuggers/network/network_limits.h"
#include "debuggers/network/network_session.h"
#include "debuggers/network/network_texts.h"

namespace nubo {
namespace {

namespace text = network::text;

class UdpSession final : public NetworkSession {
 public:
  explicit UdpSession(const NetworkSessionContext& context) : c_(context) {}

  bool Open() override {
    const NetworkSessionConfig& config = c_.config;
    NetAddress targets[network::kResolveCapacity];
    NetAddress locals[network::kResolveCapacity];
    int code = 0;
    const int targetCount =
        ResolveForSession(c_, config.remoteHost, config.remotePort, kNetResolveUdp, false, targets, code);
    if (targetCount < 0) return FailResolution(c_, text::kOpResolveUdp, code);
    const int localCount =
        ResolveForSession(c_, config.localHost, config.localPort, kNetResolveUdp, true, locals, code);
    if (localCount < 0) return FailResolution(c_, text::kOpResolveUdp, code);

    const bool joinGroup = !config.multicastGroup.empty();
    const bool loopbackOnly = IsLoopbackHostText(config.localHost) && IsLoopbackHostText(config.multicastInterface);
    std::string_view operation = text::kOpBindUdp;
    int lastCode = 0;
    for (int t = 0; t < targetCount; ++t) {
      const NetAddress& target = targets[t];
      std::string targetHost;
      uint16_t targetPort = 0;
      AddressText(target, targetHost, targetPort);
      const bool sendsMulticast = joinGroup || IsIpv4MulticastText(targetHost);
      if (sendsMulticast && !config.allowLan && !loopbackOnly) {
        c_.sink.Fail(text::kMulticastNeedsLan);
        return false;
      }
      for (int l = 0; l < localCount; ++l) {
        const int refusal = LocalAddressRefusal(locals[l], &target, config.allowLan);
        SocketHandle socket(refusal == 0 ? NetSocket(&target, &code) : INVALID_SOCKET);
        if (!socket || NetSetNonBlocking(socket.get(), 1, &code) == 0 ||
            NetSetExclusiveAddressUse(socket.get(), &code) == 0 || NetBind(socket.get(), &locals[l], &code) == 0) {
          operation = text::kOpBindUdp;  // the text names the step the last code belongs to
          lastCode = refusal != 0 ? refusal : code;
          continue;
        }
        if (!Configure(socket, sendsMulticast, operation, lastCode)) continue;
        joinedGroup_ = joinGroup;
        c_.sink.SetMulticastJoined(joinGroup);
        socket_ = std::move(socket);
        target_ = target;
        targetLabel_ = EndpointLabel(targetHost, targetPort);
        c_.sink.SetLocalEndpoint(socket_.get());
        c_.sink.SetState(NetworkState::kReady, text::kUdpOpen);
        LogOpened(sendsMulticast);
        return true;
      }
    }
    c_.sink.Fail(FormatWinsockFailure(operation, lastCode));
    return false;
  }

  void Queue(NetworkSendItem item) override {
    if (socket_) {
      queue_.push_back(std::move(item.bytes));
      return;
    }
    c_.sink.ReleasePending(item.bytes.size());
    c_.sink.LogText(network::kKindError, text::kUdpNotOpen);
  }

  void Watch(std::vector<NetSelectEntry>& entries) override {
    entries.push_back(NetSelectEntry{socket_.get(), 1, queue_.empty() ? 0 : 1, 0, 0, 0});
  }

  bool Process(const std::vector<NetSelectEntry>& entries, size_t readShare) override {
    const NetSelectEntry& entry = entries.front();
    if (entry.hasError != 0) {
      int code = 0;
      int32_t pending = 0;
      if (NetGetSocketError(socket_.get(), &pending, &code) != 0) code = pending;
      c_.sink.Fail(FormatWinsockFailure(text::kOpConnection, code));
      return false;
    }
    if (entry.readable != 0 && !Receive(readShare)) return false;
    return entry.writable == 0 || Flush();
  }

  void Close() override {
    if (joinedGroup_) {
      NetSetMulticastMembership(socket_.get(), c_.config.multicastGroup.c_str(), c_.config.multicastInterface.c_str(),
                                0, nullptr);
    }
    ShutdownAndClose(socket_);
    queue_.clear();
    if (joinedGroup_) {
      c_.sink.SetMulticastJoined(false);
      c_.sink.LogText(network::kKindSystem, text::kGroupLeft);
    }
    joinedGroup_ = false;
  }

 private:
  // Configures one bound socket; false with operation and lastCode when it could not.
  bool Configure(const SocketHandle& socket, bool sendsMulticast, std::string_view& operation, int& lastCode) {
    const NetworkSessionConfig& config = c_.config;
    // Best effort: without it a datagram that met a closed port would fail the
    // next receive and end the session.
    NetDisableUdpResetReports(socket.get(), nullptr);
    if (sendsMulticast && NetSetMulticastSendOptions(socket.get(), config.multicastInterface.c_str(),
                                                     config.multicastTtl, &lastCode) == 0) {
      operation = text::kOpMulticastSendOptions;
      return false;
    }
    if (!config.multicastGroup.empty() &&
        NetSetMulticastMembership(socket.get(), config.multicastGroup.c_str(), config.multicastInterface.c_str(), 1,
                                  &lastCode) == 0) {
      operation = text::kOpJoinGroup;
      return false;
    }
    return true;
  }

  void LogOpened(bool sendsMulticast) {
    const NetworkSessionConfig& config = c_.config;
    if (sendsMulticast) {
      const std::string_view label = IsAnyInterfaceText(config.multicastInterface)
                                         ? text::kMulticastSystemRoute
                                         : std::string_view(config.multicastInterface);
      c_.sink.LogText(network::kKindSystem, std::string(text::kMulticastSendPrefix) + std::string(label) +
                                                std::string(text::kMulticastTtlPrefix) +
                                                std::to_string(config.multicastTtl) + "。");
    }
    if (joinedGroup_) {
      c_.sink.LogText(network::kKindSystem, std::string(text::kGroupJoinedPrefix) + config.multicastGroup +
                                                std::string(text::kGroupJoinedSuffix));
    }
  }

  bool Receive(size_t readShare) {
    std::vector<uint8_t>& buffer = c_.receiveBuffer;
    size_t taken = 0;
    for (int reads = 0; reads < network::kMaxReadsPerSocketPass && taken < readShare; ++reads) {
      size_t length = 0;
      int code = 0;
      NetAddress sender{};
      const int status = NetRecvFrom(socket_.get(), buffer.data(), network::kUdpReadBytes, &length, &sender, &code);
      if (status == kNetWouldBlock) return true;
      if (status != kNetDone) {
        c_.sink.Fail(FormatWinsockFailure(text::kOpReceiveUdp, code));
        return false;
      }
      c_.sink.RecordReceived(0, AddressLabel(sender), buffer.data(), length, network::kUdpReadBytes);
      taken += length;
    }
    return true;
  }

  bool Flush() {
    while (!queue_.empty()) {
      std::vector<uint8_t>& datagram = queue_.front();
      size_t sent = 0;
      int code = 0;
      const int status = NetSendTo(socket_.get(), datagram.data(), datagram.size(), &target_, &sent, &code);
      if (status == kNetWouldBlock) return true;
      if (status != kNetDone || sent != datagram.size()) {
        c_.sink.Fail(FormatWinsockFailure(text::kOpSendUdp, status == kNetFailed ? code : 0));
        return false;
      }
      c_.sink.CountSent(sent, true);
      NetworkEvent event;
      event.kind = network::kKindSent;
      event.peerLabel = targetLabel_;
      c_.sink.AppendEvent(std::move(event), std::move(datagram));
      queue_.pop_front();
    }
    return true;
  }

  const NetworkSessionContext c_;  // references only: cheap to copy
  SocketHandle socket_;
  NetAddress target_{};
  std::string targetLabel_;
  std::deque<std::vector<uint8_t>> queue_;
  bool joinedGroup_ = false;
};

}  // namespace

std::unique_ptr<NetworkSession> MakeUdpSession(const NetworkSessionContext& context) {
  return std::make_unique<UdpSession>(context);
}

}  // namespace nubo
