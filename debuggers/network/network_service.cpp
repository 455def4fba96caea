#include "debuggers/network/network_service.h"

#include <stdexcept>
#include <system_error>
#include <utility>

#include "debuggers/common/failure_text.h"
#include "debuggers/network/network_config_check.h"
#include "debuggers/network/network_limits.h"
#include "debuggers/network/network_service_impl.h"
#include "debuggers/network/network_texts.h"
#include "debuggers/network/send_hex.h"

namespace nubo {

namespace text = network::text;

NetworkService::NetworkService() : NetworkService(NetSystemResolver()) {}

NetworkService::NetworkService(const NetResolveSystem& resolver) : impl_(std::make_unique<Impl>(resolver)) {}

NetworkService::~NetworkService() = default;  // Impl's destructor stops the session

void NetworkService::Start(const NetworkSessionConfig& config) { impl_->Start(config); }

void NetworkService::Stop() { impl_->Stop(); }

void NetworkService::Send(std::string_view hex, uint64_t targetPeerId) { impl_->Send(hex, targetPeerId); }

NetworkPollResult NetworkService::Poll() { return impl_->Poll(); }

NetworkSnapshot NetworkService::GetSnapshot() const { return impl_->GetSnapshot(); }

std::vector<NetworkInterfaceInfo> NetworkService::ListInterfaces() const {
  std::vector<NetIpv4Interface> entries(network::kMaxInterfaces);
  int code = 0;
  const int count = NetListIpv4Interfaces(entries.data(), entries.size(), &code);
  if (count < 0) throw std::runtime_error(FormatWinsockFailure(text::kOpListInterfaces, code));
  std::vector<NetworkInterfaceInfo> interfaces;
  for (int i = 0; i < count; ++i) {
    interfaces.push_back(
        NetworkInterfaceInfo{entries[i].name, entries[i].address, entries[i].index, entries[i].loopback != 0});
  }
  return interfaces;
}

NetworkService::Impl::Impl(const NetResolveSystem& resolver)
    : resolver_(resolver), receiveBuffer_(network::kReceiveBufferBytes) {}

NetworkService::Impl::~Impl() { Stop(); }

void NetworkService::Impl::Start(const NetworkSessionConfig& config) {
  Stop();
  NetworkSessionConfig copy = config;
  copy.localHost = StripHostBrackets(std::move(copy.localHost));
  copy.remoteHost = StripHostBrackets(std::move(copy.remoteHost));
  CheckNetworkSessionConfig(copy);
  {
    std::lock_guard lock(mutex_);
    config_ = copy;
    snapshot_ = NetworkSnapshot{};
    snapshot_.mode = copy.mode;
    snapshot_.state = NetworkState::kStarting;
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
    snapshot_.state = NetworkState::kError;
    snapshot_.lastError = failure.what();
    throw std::runtime_error(std::string(text::kThreadFailed));
  }
}

void NetworkService::Impl::Stop() {
  std::unique_lock lock(mutex_);
  if (worker_.joinable()) {
    stopRequested_ = true;
    abandonResolve_ = true;
    lock.unlock();
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
  const bool wasRunning = snapshot_.state != NetworkState::kStopped;
  snapshot_.state = NetworkState::kStopped;
  lock.unlock();
  if (wasRunning) LogText(network::kKindSystem, text::kSessionStopped);
}

void NetworkService::Impl::Send(std::string_view hex, uint64_t targetPeerId) {
  std::vector<uint8_t> bytes;
  std::string error;
  // Also refuses more than kMaxSendBytes.
  if (!NetworkParseSendHex(hex, bytes, error)) throw std::invalid_argument(error);
  {
    std::lock_guard lock(mutex_);
    const bool running = workerRunning_ && snapshot_.state != NetworkState::kStopped &&
                         snapshot_.state != NetworkState::kError;
    if (!running) throw std::runtime_error(std::string(text::kSessionNotStarted));
    if (config_.mode == NetworkMode::kUdp) {
      if (bytes.size() > network::kMaxUdpSendBytes) throw std::invalid_argument(std::string(text::kUdpTooLarge));
      if (targetPeerId != 0) throw std::invalid_argument(std::string(text::kUdpUsesTarget));
    }
    if (pendingSendBytes_ + bytes.size() > network::kMaxPendingSendBytes) {
      throw std::runtime_error(std::string(text::kPendingFull));
    }
    pendingSendBytes_ += bytes.size();
    sendQueue_.push_back(NetworkSendItem{std::move(bytes), targetPeerId});
  }
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

}  // namespace nubo
