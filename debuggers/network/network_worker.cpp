// The session's worker thread: opens the session in its mode, then runs
// passes of one readiness wait of at most 20 ms until stopped or failed.

#include <algorithm>
#include <exception>

#include "debuggers/common/failure_text.h"
#include "debuggers/network/network_limits.h"
#include "debuggers/network/network_service_impl.h"
#include "debuggers/network/network_texts.h"

namespace nubo {
namespace {

namespace text = network::text;

std::unique_ptr<NetworkSession> MakeSession(const NetworkSessionContext& context) {
  switch (context.config.mode) {
    case NetworkMode::kTcpClient:
      return MakeTcpClientSession(context);
    case NetworkMode::kTcpServer:
      return MakeTcpServerSession(context);
    case NetworkMode::kUdp:
      return MakeUdpSession(context);
  }
  return nullptr;
}

// What each readable socket may read in this pass, so that the pass reads at
// most kMaxReadBytesPerPass over all of them.
size_t ReadShare(const std::vector<NetSelectEntry>& entries) {
  const auto readable = static_cast<size_t>(
      std::count_if(entries.begin(), entries.end(), [](const NetSelectEntry& entry) { return entry.readable != 0; }));
  return std::max(network::kTcpReadBytes, network::kMaxReadBytesPerPass / std::max<size_t>(readable, 1));
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
    CloseSession();
  } catch (...) {
  }
  std::lock_guard lock(mutex_);
  workerRunning_ = false;
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
  active_ =
      MakeSession(NetworkSessionContext{*this, session_, resolver_, abandonResolve_, receiveBuffer_, nextPeerId_});
  if (!active_->Open()) return;
  while (!StopRequested()) {
    DispatchQueuedSends();
    if (StopRequested() || !WaitAndProcess()) break;
  }
}

void NetworkService::Impl::DispatchQueuedSends() {
  std::deque<NetworkSendItem> items;
  {
    std::lock_guard lock(mutex_);
    items.swap(sendQueue_);
  }
  for (NetworkSendItem& item : items) active_->Queue(std::move(item));
}

bool NetworkService::Impl::WaitAndProcess() {
  entries_.clear();
  active_->Watch(entries_);
  int code = 0;
  if (NetSelect(entries_.data(), entries_.size(), network::kWaitMilliseconds, &code) < 0) {
    Fail(FormatWinsockFailure(text::kOpWait, code));
    return false;
  }
  return active_->Process(entries_, ReadShare(entries_));
}

void NetworkService::Impl::CloseSession() {
  if (active_) active_->Close();
  active_.reset();
  winsock_.reset();
  {
    std::lock_guard lock(mutex_);
    sendQueue_.clear();
    pendingSendBytes_ = 0;
    snapshot_.multicastJoined = false;
  }
  PublishPeers({});
}

}  // namespace nubo
