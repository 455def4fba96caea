#pragma once

#include <winsock2.h>

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "debuggers/network/network_event_log.h"
#include "debuggers/network/network_types.h"

namespace nubo {

// What a running session reports to, shared with the main thread under one
// mutex: the event log, the snapshot and the bytes still waiting to be sent.
class NetworkSink {
 public:
  void AppendEvent(NetworkEvent event, std::vector<uint8_t> data = {});
  void LogText(std::string_view kind, std::string_view message, uint64_t peerId = 0, std::string_view label = {});
  // Counts and logs what one receive call took, as reads of readBytes each
  // (a datagram, also an empty one, is one read).
  void RecordReceived(uint64_t peerId, const std::string& label, const uint8_t* data, size_t size, size_t readBytes);
  // Counts bytes the system took, and a packet when its last byte went.
  void CountSent(size_t bytes, bool packetDone);
  void ReleasePending(uint64_t bytes);
  // Takes more of the pending budget; false when it would overflow.
  bool ReservePending(uint64_t bytes);
  void PublishPeers(std::vector<NetworkPeerInfo> peers);
  void SetMulticastJoined(bool joined);
  void SetLocalEndpoint(SOCKET socket);
  void SetState(NetworkState state, std::string_view message);
  void Fail(std::string_view message);
  bool StopRequested() const;

 protected:
  mutable std::mutex mutex_;
  NetworkSnapshot snapshot_;
  NetworkEventLog log_;
  uint64_t pendingSendBytes_ = 0;
  bool stopRequested_ = false;
};

}  // namespace nubo
