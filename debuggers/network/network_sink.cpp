#include "debuggers/network/network_sink.h"

#include <algorithm>
#include <utility>

#include "debuggers/network/network_limits.h"
#include "debuggers/network/network_session.h"
#include "store/file_utils.h"

namespace nubo {

void NetworkSink::AppendEvent(NetworkEvent event, std::vector<uint8_t> data) {
  const int64_t now = NowMilliseconds();
  std::lock_guard lock(mutex_);
  log_.Append(std::move(event), std::move(data), now);
}

void NetworkSink::LogText(std::string_view kind, std::string_view message, uint64_t peerId, std::string_view label) {
  NetworkEvent event;
  event.kind = kind;
  event.message = message;
  event.peerId = peerId;
  event.peerLabel = label;
  AppendEvent(std::move(event));
}

void NetworkSink::RecordReceived(uint64_t peerId, const std::string& label, const uint8_t* data, size_t size,
                                 size_t readBytes) {
  // The events are built outside the lock and logged under it at once.
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

void NetworkSink::CountSent(size_t bytes, bool packetDone) {
  std::lock_guard lock(mutex_);
  snapshot_.txBytes += bytes;
  pendingSendBytes_ = bytes > pendingSendBytes_ ? 0 : pendingSendBytes_ - bytes;
  if (packetDone) snapshot_.txPackets += 1;
}

void NetworkSink::ReleasePending(uint64_t bytes) {
  std::lock_guard lock(mutex_);
  pendingSendBytes_ = bytes > pendingSendBytes_ ? 0 : pendingSendBytes_ - bytes;
}

bool NetworkSink::ReservePending(uint64_t bytes) {
  std::lock_guard lock(mutex_);
  if (pendingSendBytes_ + bytes > network::kMaxPendingSendBytes) return false;
  pendingSendBytes_ += bytes;
  return true;
}

void NetworkSink::PublishPeers(std::vector<NetworkPeerInfo> peers) {
  std::lock_guard lock(mutex_);
  snapshot_.peers.swap(peers);
}

void NetworkSink::SetMulticastJoined(bool joined) {
  std::lock_guard lock(mutex_);
  snapshot_.multicastJoined = joined;
}

void NetworkSink::SetLocalEndpoint(SOCKET socket) {
  NetAddress local{};
  if (NetGetLocalAddress(socket, &local, nullptr) == 0) return;
  std::string host;
  uint16_t port = 0;
  AddressText(local, host, port);
  std::lock_guard lock(mutex_);
  snapshot_.localHost = host;
  snapshot_.localPort = port;
}

void NetworkSink::SetState(NetworkState state, std::string_view message) {
  {
    std::lock_guard lock(mutex_);
    snapshot_.state = state;
    if (state != NetworkState::kError) snapshot_.lastError.clear();
  }
  LogText(network::kKindSystem, message);
}

void NetworkSink::Fail(std::string_view message) {
  {
    std::lock_guard lock(mutex_);
    snapshot_.state = NetworkState::kError;
    snapshot_.lastError = message;
  }
  LogText(network::kKindError, message);
}

bool NetworkSink::StopRequested() const {
  std::lock_guard lock(mutex_);
  return stopRequested_;
}

}  // namespace nubo
