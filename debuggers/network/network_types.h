#pragma once

// Records of the network debugger shared by the service, its worker, the
// routes and the tests.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace nubo {

enum class NetworkMode { kTcpClient, kTcpServer, kUdp };

enum class NetworkState { kStopped, kStarting, kConnecting, kConnected, kListening, kReady, kError };

namespace network {

// The kinds of logged events.
inline constexpr std::string_view kKindSystem = "system";
inline constexpr std::string_view kKindError = "error";
inline constexpr std::string_view kKindSent = "sent";
inline constexpr std::string_view kKindReceived = "received";

}  // namespace network

// The session settings of one "network.start" request.
struct NetworkSessionConfig {
  NetworkMode mode = NetworkMode::kTcpClient;
  std::string localHost;
  uint16_t localPort = 0;
  std::string remoteHost;
  uint16_t remotePort = 0;
  bool allowLan = false;
  std::string multicastInterface;
  std::string multicastGroup;
  int32_t multicastTtl = 1;
};

struct NetworkPeerInfo {
  uint64_t id = 0;
  std::string address;
  uint16_t port = 0;
};

// What the front end sees of the session.
struct NetworkSnapshot {
  NetworkMode mode = NetworkMode::kTcpClient;
  NetworkState state = NetworkState::kStopped;
  std::string localHost = "127.0.0.1";
  uint16_t localPort = 0;
  std::string remoteHost = "127.0.0.1";
  uint16_t remotePort = 9000;
  std::vector<NetworkPeerInfo> peers;
  uint64_t rxPackets = 0;
  uint64_t rxBytes = 0;
  uint64_t txPackets = 0;
  uint64_t txBytes = 0;
  std::string lastError;
  std::string multicastInterface;
  std::string multicastGroup;
  int32_t multicastTtl = 1;
  bool multicastJoined = false;
};

struct NetworkEvent {
  uint64_t id = 0;
  std::string kind;
  int64_t timestamp = 0;  // Unix milliseconds
  uint64_t peerId = 0;    // 0 = none
  std::string peerLabel;
  std::string dataHex;
  uint64_t byteLength = 0;
  std::string message;
};

struct NetworkPollResult {
  NetworkSnapshot snapshot;
  std::vector<NetworkEvent> events;
};

struct NetworkInterfaceInfo {
  std::string name;
  std::string address;
  uint32_t index = 0;
  bool loopback = false;
};

}  // namespace nubo
