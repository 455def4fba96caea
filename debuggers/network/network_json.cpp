#include "debuggers/network/network_json.h"

#include <string>

namespace nubo {

nlohmann::json NetworkSnapshotToJson(const NetworkSnapshot& snapshot) {
  nlohmann::json peers = nlohmann::json::array();
  for (const NetworkPeerInfo& peer : snapshot.peers) {
    peers.push_back({{"id", std::to_string(peer.id)}, {"address", peer.address}, {"port", peer.port}});
  }
  return {
      {"mode", snapshot.mode},
      {"state", snapshot.state},
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
