#include "debuggers/network/network_json.h"

#include <algorithm>
#include <array>
#include <string>

namespace nubo {

namespace {

// Indexed by the enumerators, in their order.
constexpr std::array<std::string_view, 3> kModeNames = {"tcp-client", "tcp-server", "udp"};
constexpr std::array<std::string_view, 7> kStateNames = {"stopped",   "starting", "connecting", "connected",
                                                         "listening", "ready",    "error"};
static_assert(static_cast<size_t>(NetworkMode::kUdp) + 1 == kModeNames.size());
static_assert(static_cast<size_t>(NetworkState::kError) + 1 == kStateNames.size());

}  // namespace

std::string_view NetworkModeText(NetworkMode mode) { return kModeNames[static_cast<size_t>(mode)]; }

bool ParseNetworkMode(std::string_view text, NetworkMode& mode) {
  const auto found = std::find(kModeNames.begin(), kModeNames.end(), text);
  if (found == kModeNames.end()) return false;
  mode = static_cast<NetworkMode>(found - kModeNames.begin());
  return true;
}

std::string_view NetworkStateText(NetworkState state) { return kStateNames[static_cast<size_t>(state)]; }

nlohmann::json NetworkSnapshotToJson(const NetworkSnapshot& snapshot) {
  nlohmann::json peers = nlohmann::json::array();
  for (const NetworkPeerInfo& peer : snapshot.peers) {
    peers.push_back({{"id", std::to_string(peer.id)}, {"address", peer.address}, {"port", peer.port}});
  }
  return {
      {"mode", NetworkModeText(snapshot.mode)},
      {"state", NetworkStateText(snapshot.state)},
      {"localHost", snapshot.localHost},
      {"localPort", snapshot.localPort},
      {"remoteHost", snapshot.remoteHost},
      {"remotePort", snapshot.remotePort},
      {"peers", std::move(peers)},
      {"rxPackets", snapshot.rxPackets},
      {"rxBytes", snapshot.rxBytes},
      {"txPackets", snapshot.txPackets},
      {"txBytes", snapshot.txBytes},
      {"multicastInterface", snapshot.multicastInterface},
      {"multicastGroup", snapshot.multicastGroup},
      {"multicastTtl", snapshot.multicastTtl},
      {"multicastJoined", snapshot.multicastJoined},
      {"lastError", snapshot.lastError},
  };
}

nlohmann::json NetworkEventToJson(const NetworkEvent& event) {
  return {
      {"id", event.id},
      {"kind", event.kind},
      {"timestamp", event.timestamp},
      {"peerId", event.peerId == 0 ? std::string() : std::to_string(event.peerId)},
      {"peerLabel", event.peerLabel},
      {"dataHex", event.dataHex},
      {"byteLength", event.byteLength},
      {"message", event.message},
  };
}

}  // namespace nubo
