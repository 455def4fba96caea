#include "ui_bridge/network_routes.h"

#include <stdexcept>
#include <string>

#include "debuggers/network/network_json.h"
#include "debuggers/network/network_limits.h"
#include "debuggers/network/network_service.h"
#include "ui_bridge/dispatch_texts.h"
#include "ui_bridge/field_readers.h"
#include "ui_bridge/messages.h"

namespace nubo {
namespace {

constexpr size_t kTargetPeerIdMaxBytes = 80;
constexpr int64_t kMaxPort = 65535;

constexpr std::string_view kInterfacesInvalid = "读取网卡列表的请求无效。";
constexpr std::string_view kStartInvalid = "网络模式、地址或端口无效。";
constexpr std::string_view kStopInvalid = "停止网络调试的请求无效。";
static_assert(network::kMaxSendHexBytes == 2 * 64 * 1024);
constexpr std::string_view kSendInvalid = "发送内容为空、超过 64 KiB，或目标连接标识无效。";
constexpr std::string_view kPollInvalid = "网络事件读取请求无效。";

// True for a requestId of 1 to 80 bytes; a string of another length is still
// copied out, as the error reply repeats it.
bool ReadRequestId(const Json& payload, std::string& requestId) {
  return ReadStringField(payload, "requestId", requestId) && IsValidRequestId(requestId);
}

// A member that may be absent but, when present, must be a string of at most
// kMaxMulticastTextBytes bytes.
bool ReadOptionalMulticastText(const Json& payload, std::string_view name, std::string& out) {
  if (!payload.is_object() || !payload.contains(name)) return true;
  return ReadStringField(payload, name, out) && out.size() <= network::kMaxMulticastTextBytes;
}

bool ReadStartRequest(const Json& payload, std::string& requestId, NetworkSessionConfig& config) {
  int64_t localPort = 0;
  int64_t remotePort = 0;
  std::string mode;
  if (!ReadStringField(payload, "requestId", requestId) || !ReadStringField(payload, "mode", mode) ||
      !ReadStringField(payload, "localHost", config.localHost) ||
      !ReadStringField(payload, "remoteHost", config.remoteHost) ||
      !ReadIntegerField(payload, "localPort", 0, kMaxPort, localPort) ||
      !ReadIntegerField(payload, "remotePort", 0, kMaxPort, remotePort)) {
    return false;
  }
  const auto allowLan = payload.find("allowLan");
  if (allowLan == payload.end() || !allowLan->is_boolean()) return false;
  config.allowLan = allowLan->get<bool>();

  if (!ReadOptionalMulticastText(payload, "multicastInterface", config.multicastInterface) ||
      !ReadOptionalMulticastText(payload, "multicastGroup", config.multicastGroup)) {
    return false;
  }
  int64_t ttl = 1;
  if (payload.contains("multicastTtl") &&
      !ReadIntegerField(payload, "multicastTtl", 0, network::kMaxMulticastTtl, ttl)) {
    return false;
  }
  config.multicastTtl = static_cast<int32_t>(ttl);

  if (!IsValidRequestId(requestId) || !ParseNetworkMode(mode, config.mode)) return false;
  const bool server = config.mode == NetworkMode::kTcpServer;
  if (!IsValidHostText(config.localHost, true) || !IsValidHostText(config.remoteHost, server)) return false;
  if (!server && remotePort < 1) return false;
  config.localPort = static_cast<uint16_t>(localPort);
  config.remotePort = server ? 0 : static_cast<uint16_t>(remotePort);
  return true;
}

Json SnapshotFields(const NetworkService& service) {
  return Json{{"snapshot", NetworkSnapshotToJson(service.GetSnapshot())}};
}

Json RouteInterfaces(NetworkService& service, std::string_view type, const Json& payload) {
  std::string requestId;
  if (!ReadRequestId(payload, requestId)) return MakeErrorReply(type, requestId, kInterfacesInvalid);
  return WithOwnCatch(type, requestId, [&] {
    Json list = Json::array();
    for (const NetworkInterfaceInfo& entry : service.ListInterfaces()) {
      list.push_back({{"name", entry.name}, {"address", entry.address}, {"index", entry.index},
                      {"loopback", entry.loopback}});
    }
    return MakeResultReply(type, requestId, Json{{"interfaces", std::move(list)}});
  });
}

Json RouteStart(NetworkService& service, std::string_view type, const Json& payload) {
  std::string requestId;
  NetworkSessionConfig config;
  if (!ReadStartRequest(payload, requestId, config)) return MakeErrorReply(type, requestId, kStartInvalid);
  return WithOwnCatch(type, requestId, [&] {
    service.Start(config);
    return MakeResultReply(type, requestId, SnapshotFields(service));
  });
}

Json RouteStop(NetworkService& service, std::string_view type, const Json& payload) {
  std::string requestId;
  if (!ReadRequestId(payload, requestId)) return MakeErrorReply(type, requestId, kStopInvalid);
  return WithOwnCatch(type, requestId, [&] {
    service.Stop();
    return MakeResultReply(type, requestId, SnapshotFields(service));
  });
}

Json RouteSend(NetworkService& service, std::string_view type, const Json& payload) {
  std::string requestId;
  std::string dataHex;
  std::string targetText;
  uint64_t targetPeerId = 0;
  const bool valid = ReadStringField(payload, "requestId", requestId) &&
                     ReadStringField(payload, "dataHex", dataHex) &&
                     ReadStringField(payload, "targetPeerId", targetText) && IsValidRequestId(requestId) &&
                     !dataHex.empty() && dataHex.size() <= network::kMaxSendHexBytes &&
                     targetText.size() <= kTargetPeerIdMaxBytes && ParseDecimalUInt64(targetText, targetPeerId);
  if (!valid) return MakeErrorReply(type, requestId, kSendInvalid);
  return WithOwnCatch(type, requestId, [&] {
    service.Send(dataHex, targetPeerId);
    return MakeResultReply(type, requestId, SnapshotFields(service));
  });
}

Json RoutePoll(NetworkService& service, std::string_view type, const Json& payload) {
  std::string requestId;
  if (!ReadRequestId(payload, requestId)) return MakeErrorReply(type, requestId, kPollInvalid);
  return WithOwnCatch(type, requestId, [&] {
    const NetworkPollResult poll = service.Poll();
    Json events = Json::array();
    for (const NetworkEvent& event : poll.events) events.push_back(NetworkEventToJson(event));
    return MakeResultReply(type, requestId,
                           Json{{"snapshot", NetworkSnapshotToJson(poll.snapshot)}, {"events", std::move(events)}});
  });
}

}  // namespace

Json RouteNetworkRequest(NetworkService& service, std::string_view type, const Json& payload) {
  if (type == "network.interfaces") return RouteInterfaces(service, type, payload);
  if (type == "network.start") return RouteStart(service, type, payload);
  if (type == "network.stop") return RouteStop(service, type, payload);
  if (type == "network.send") return RouteSend(service, type, payload);
  if (type == "network.poll") return RoutePoll(service, type, payload);
  throw std::invalid_argument(std::string(dispatch_texts::kUnsupported));
}

}  // namespace nubo
