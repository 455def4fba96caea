#include "debuggers/network/network_json.h"

#include <string>

namespace nubo {

std::string_view NetworkModeText(NetworkMode mode) {
  switch (mode) {
    case NetworkMode::kTcpClient:
      return "tcp-client";
    case NetworkMode::kTcpServer:
      return "tcp-server";
    case NetworkMode::kUdp:
      return "udp";
  }
  return {};
}

bool ParseNetworkMode(std::string_view text, NetworkMode& mode) {
  for (const NetworkMode candidate : {NetworkMode::kTcpClient, NetworkMode::kTcpServer, NetworkMode::kUdp}) {
    if (text == NetworkModeText(candidate)) {
      mode = candidate;
      return true;
    }
  }
  return false;
}

std::string_view NetworkStateText(NetworkState state) {
  switch (state) {
    case NetworkState::kStopped:
      return "stopped";
    case NetworkState::kStarting:
      return "starting";
    case NetworkState::kConnecting:
      return "connecting";
    case NetworkState::kConnected:
      return "connected";
    case NetworkState::kListening:
      return "listening";
    case NetworkState::kReady:
      return "ready";
    case NetworkState::kError:
      return "error";
  }
  return {};
}

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
