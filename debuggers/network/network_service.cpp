#include "debuggers/network/network_service.h"

#include <system_error>
#include <utility>

#include "debuggers/network/network_config_check.h"
#include "debuggers/network/network_constants.h"
#include "debuggers/common/failure_text.h"
#include "debuggers/network/network_service_impl.h"
#include "debuggers/network/send_hex.h"
#include "store/file_utils.h"

namespace nubo {

namespace text = network::text;

NetworkService::NetworkService() : NetworkService(NetSystemResolver()) {}

NetworkService::NetworkService(const NetResolveSystem& resolver) : impl_(std::make_unique<Impl>(resolver)) {}

NetworkService::~NetworkService() = default;  // Impl's destructor stops the session

bool NetworkService::Start(const NetworkSessionConfig& config, std::string& error) {
  return impl_->Start(config, error);
}

void NetworkService::Stop() { impl_->Stop(); }

bool NetworkService::Send(std::string_view hex, uint64_t targetPeerId, std::string& error) {
  return impl_->Send(hex, targetPeerId, error);
}

NetworkPollResult NetworkService::Poll() { return impl_->Poll(); }

NetworkSnapshot NetworkService::GetSnapshot() const { return impl_->GetSnapshot(); }

std::vector<NetworkInterfaceInfo> NetworkService::ListInterfaces(std::string& error) const {
  std::vector<NetIpv4Interface> entries(network::kMaxInterfaces);
  int code = 0;
  const int count = NetListIpv4Interfaces(entries.data(), entries.size(), &code);
  std::vector<NetworkInterfaceInfo> interfaces;
  if (count < 0) {
    error = FormatWinsockFailure(text::kOpListInterfaces, code);
    return interfaces;
  }
  error.clear();
  for (int i = 0; i < count; ++i) {
    interfaces.push_back(
        NetworkInterfaceInfo{entries[i].name, entries[i].address, entries[i].index, entries[i].loopback != 0});
  }
  return interfaces;
}

NetworkService::Impl::Impl(const NetResolveSystem& resolver)
    : resolver_(resolver), receiveBuffer_(network::kReceiveBufferBytes) {}

NetworkService::Impl::~Impl() { Stop(); }

bool NetworkService::Impl::Start(const NetworkSessionConfig& config, std::string& error) {
  Stop();
  NetworkSessionConfig copy = config;
  copy.localHost = StripHostBrackets(std::move(copy.localHost));
  copy.remoteHost = StripHostBrackets(std::move(copy.remoteHost));
  if (!CheckNetworkSessionConfig(copy, error)) return false;
  {
    std::lock_guard lock(mutex_);
    config_ = copy;
    snapshot_ = NetworkSnapshot{};
    snapshot_.mode = copy.mode;
    snapshot_.state = network::kStateStarting;
    snapshot_.localHost = copy.localHost;
    snapshot_.localPort = copy.localPort;
    snapshot_.remoteHost = copy.remoteHost;
    snapshot_.remotePort = copy.remotePort;
    snapshot_.multicastInterface = copy.multicastInterface;
    snapshot_.multicastGroup = copy.multicastGroup;
    snapshot_.multicastTtl = copy.multicastTtl;
    log_.Clear();
    sendQueue_.clear();
    pendingSendBytes_ = 0;
    stopRequested_ = false;
    workerRunning_ = true;
  }
  abandonResolve_ = false;
  LogText(network::kKindSystem, text::kSessionStarting);
  try {
    worker_ = std::thread(&Impl::WorkerLoop, this);
  } catch (const std::system_error& failure) {
    std::lock_guard lock(mutex_);
    workerRunning_ = false;
    snapshot_.state = network::kStateError;
    snapshot_.lastError = failure.what();
    error = text::kThreadFailed;
    return false;
  }
  return true;
}

void NetworkService::Impl::Stop() {
  std::unique_lock lock(mutex_);
  if (worker_.joinable()) {
    stopRequested_ = true;
    abandonResolve_ = true;
    lock.unlock();
    wake_.notify_all();
    worker_.join();
    lock.lock();
  }
  stopRequested_ = false;
  workerRunning_ = false;
  sendQueue_.clear();
  pendingSendBytes_ = 0;
  snapshot_.peers.clear();
  snapshot_.multicastJoined = false;
  snapshot_.lastError.clear();
  const bool wasRunning = snapshot_.state != network::kStateStopped;
  snapshot_.state = network::kStateStopped;
  lock.unlock();
  if (wasRunning) LogText(network::kKindSystem, text::kSessionStopped);
}

bool NetworkService::Impl::Send(std::string_view hex, uint64_t targetPeerId, std::string& error) {
  std::vector<uint8_t> bytes;
  if (!NetworkParseSendHex(hex, bytes, error)) return false;  // also refuses more than kMaxSendBytes
  {
    std::lock_guard lock(mutex_);
    if (!workerRunning_ || snapshot_.state == network::kStateStopped || snapshot_.state == network::kStateError) {
      error = text::kSessionNotStarted;
      return false;
    }
    if (config_.mode == network::kModeUdp) {
      if (bytes.size() > network::kMaxUdpSendBytes) {
        error = text::kUdpTooLarge;
        return false;
      }
      if (targetPeerId != 0) {
        error = text::kUdpUsesTarget;
        return false;
      }
    }
    if (pendingSendBytes_ + bytes.size() > network::kMaxPendingSendBytes) {
      error = text::kPendingFull;
      return false;
    }
    pendingSendBytes_ += bytes.size();
    sendQueue_.push_back(NetworkSendItem{std::move(bytes), targetPeerId});
  }
  wake_.notify_all();
  return true;
}

NetworkPollResult NetworkService::Impl::Poll() {
  NetworkPollResult result;
  std::vector<LoggedNetworkEvent> taken;
  {
    std::lock_guard lock(mutex_);
    result.snapshot = snapshot_;
    taken = log_.Take(network::kPollMaxEvents, network::kPollMaxCost);
  }
  result.events.reserve(taken.size());
  for (LoggedNetworkEvent& logged : taken) result.events.push_back(FinishNetworkEvent(std::move(logged)));
  return result;
}

NetworkSnapshot NetworkService::Impl::GetSnapshot() const {
  std::lock_guard lock(mutex_);
  return snapshot_;
}

void NetworkService::Impl::AppendEvent(NetworkEvent event, std::vector<uint8_t> data) {
  const int64_t now = NowMilliseconds();
  std::lock_guard lock(mutex_);
  log_.Append(std::move(event), std::move(data), now);
}

void NetworkService::Impl::LogText(std::string_view kind, std::string_view message, uint64_t peerId,
                                   std::string_view label) {
  NetworkEvent event;
  event.kind = kind;
  event.message = message;
  event.peerId = peerId;
  event.peerLabel = label;
  AppendEvent(std::move(event));
}

void NetworkService::Impl::ReleasePending(uint64_t bytes) {
  std::lock_guard lock(mutex_);
  pendingSendBytes_ = bytes > pendingSendBytes_ ? 0 : pendingSendBytes_ - bytes;
}

bool NetworkService::Impl::StopRequested() const {
  std::lock_guard lock(mutex_);
  return stopRequested_;
}

}  // namespace nubo
