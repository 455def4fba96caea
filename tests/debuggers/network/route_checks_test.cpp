// Refusals and limits of the network routes and of the service behind them,
// in the order in which they are checked.

#include <gtest/gtest.h>

#include <ostream>
#include <stdexcept>
#include <string>

#include "debuggers/network/network_config_check.h"
#include "debuggers/network/network_service.h"
#include "tests/debuggers/network/support/route_session.h"
#include "tests/support/case_name.h"
#include "ui_bridge/network_routes.h"

namespace nubo {
namespace {

using testing::Json;

constexpr char kStartInvalid[] = "网络模式、地址或端口无效。";
constexpr char kSendInvalid[] = "发送内容为空、超过 64 KiB，或目标连接标识无效。";

Json ServerRequest() {
  Json payload = testing::SessionMembers("tcp-server", "127.0.0.1", 0, "", 0);
  payload["requestId"] = "r";
  return payload;
}

struct StartRefusal {
  std::string name;
  std::string member;  // member to change; empty: the whole payload
  Json value;          // null with a member: remove it
  std::string echoedRequestId;
};

std::ostream& operator<<(std::ostream& out, const StartRefusal& value) { return out << value.name; }

class StartRefusalTest : public ::testing::TestWithParam<StartRefusal> {};

TEST_P(StartRefusalTest, IsAnsweredDirectlyWithTheRequestIdReadSoFar) {
  const StartRefusal& refusal = GetParam();
  Json payload = ServerRequest();
  if (refusal.member.empty()) {
    payload = refusal.value;
  } else if (refusal.value.is_null()) {
    payload.erase(refusal.member);
  } else {
    payload[refusal.member] = refusal.value;
  }
  NetworkService service;
  const Json reply = RouteNetworkRequest(service, "network.start", payload);
  EXPECT_EQ(reply, (Json{{"type", "network.start.error"},
                         {"payload", {{"requestId", refusal.echoedRequestId}, {"message", kStartInvalid}}}}));
  EXPECT_EQ(service.GetSnapshot().state, NetworkState::kStopped);
}

const std::string k81Bytes(81, 'q');

INSTANTIATE_TEST_SUITE_P(
    Route, StartRefusalTest,
    ::testing::Values(
        // Step 1: types and port ranges.
        StartRefusal{"RequestIdMissing", "requestId", nullptr, ""},
        StartRefusal{"RequestIdNotText", "requestId", 7, ""},
        StartRefusal{"ModeMissing", "mode", nullptr, "r"},
        StartRefusal{"ModeNotText", "mode", 1, "r"},
        StartRefusal{"LocalHostNotText", "localHost", Json::array(), "r"},
        StartRefusal{"RemoteHostMissing", "remoteHost", nullptr, "r"},
        StartRefusal{"LocalPort65536", "localPort", 65536, "r"},
        StartRefusal{"LocalPortNegative", "localPort", -1, "r"},
        StartRefusal{"LocalPortWithFraction", "localPort", 80.0, "r"},
        StartRefusal{"LocalPortText", "localPort", "80", "r"},
        StartRefusal{"RemotePortMissing", "remotePort", nullptr, "r"},
        StartRefusal{"AllowLanMissing", "allowLan", nullptr, "r"},
        StartRefusal{"AllowLanText", "allowLan", "true", "r"},
        StartRefusal{"AllowLanNumber", "allowLan", 1, "r"},
        // Step 2: optional multicast members.
        StartRefusal{"InterfaceNotText", "multicastInterface", 5, "r"},
        StartRefusal{"Interface16Bytes", "multicastInterface", "127.000.000.0001", "r"},
        StartRefusal{"GroupNotText", "multicastGroup", false, "r"},
        StartRefusal{"Group16Bytes", "multicastGroup", "239.100.100.100x", "r"},
        StartRefusal{"Ttl256", "multicastTtl", 256, "r"},
        StartRefusal{"TtlNegative", "multicastTtl", -1, "r"},
        StartRefusal{"TtlWithFraction", "multicastTtl", 1.5, "r"},
        StartRefusal{"PayloadNotObject", "", Json::array({1, 2}), ""},
        // Step 3: lengths, mode and host texts.
        StartRefusal{"RequestIdEmpty", "requestId", "", ""},
        StartRefusal{"RequestId81Bytes", "requestId", k81Bytes, k81Bytes},
        StartRefusal{"ModeUnknown", "mode", "tcp", "r"},
        StartRefusal{"LocalHostWithBlank", "localHost", "a b", "r"},
        StartRefusal{"LocalHostWithDelete", "localHost", "a\x7f", "r"},
        StartRefusal{"LocalHost254Bytes", "localHost", std::string(254, 'h'), "r"}),
    testing::CaseName());

TEST(NetworkStartRoute, TargetlessModesNeedARemoteHostAndPort) {
  for (const char* mode : {"tcp-client", "udp"}) {
    NetworkService service;
    Json payload = testing::SessionMembers(mode, "", 0, "", 0);
    payload["requestId"] = "r";
    EXPECT_EQ(RouteNetworkRequest(service, "network.start", payload)["payload"]["message"], kStartInvalid) << mode;
    payload["remoteHost"] = "127.0.0.1";
    EXPECT_EQ(RouteNetworkRequest(service, "network.start", payload)["payload"]["message"], kStartInvalid) << mode;
  }
}

TEST(NetworkStartRoute, ServerWithoutTargetIsAcceptedAndGetsRemotePortZero) {
  NetworkService service;
  Json payload = ServerRequest();
  payload["remotePort"] = 9000;
  const Json reply = RouteNetworkRequest(service, "network.start", payload);
  ASSERT_EQ(reply["type"], "network.start.result") << reply;
  EXPECT_EQ(reply["payload"]["requestId"], "r");
  EXPECT_EQ(reply["payload"]["snapshot"]["remotePort"], 0);
  EXPECT_EQ(reply["payload"]["snapshot"]["remoteHost"], "");
  EXPECT_EQ(reply["payload"]["snapshot"]["multicastTtl"], 1);  // absent: TTL 1
  EXPECT_EQ(reply["payload"]["snapshot"]["mode"], "tcp-server");
}

TEST(NetworkStartRoute, SnapshotAndEventJsonHaveEveryKey) {
  NetworkService service;
  testing::RouteSession session(service);
  ASSERT_EQ(session.Start(testing::SessionMembers("tcp-server", "", 0, "", 0))["type"], "network.start.result");
  ASSERT_TRUE(session.WaitForState("listening"));
  std::vector<std::string> keys;
  for (const auto& item : session.snapshot().items()) keys.push_back(item.key());
  EXPECT_EQ(keys, (std::vector<std::string>{"lastError", "localHost", "localPort", "mode", "multicastGroup",
                                            "multicastInterface", "multicastJoined", "multicastTtl", "peers",
                                            "remoteHost", "remotePort", "rxBytes", "rxPackets", "state", "txBytes",
                                            "txPackets"}));
  EXPECT_EQ(session.snapshot()["localHost"], "127.0.0.1");  // an empty local host binds loopback
  const Json& first = session.events().front();
  EXPECT_EQ(first, (Json{{"id", 1}, {"kind", "system"}, {"timestamp", first["timestamp"]}, {"peerId", ""},
                         {"peerLabel", ""}, {"dataHex", ""}, {"byteLength", 0}, {"message", "正在启动网络会话。"}}));
  EXPECT_GT(first["timestamp"].get<int64_t>(), 1600000000000);
}

struct ServiceRefusal {
  std::string name;
  Json members;
  std::string message;
};

std::ostream& operator<<(std::ostream& out, const ServiceRefusal& value) { return out << value.name; }

class ServiceRefusalTest : public ::testing::TestWithParam<ServiceRefusal> {};

TEST_P(ServiceRefusalTest, IsTheStartErrorOfTheOwnCatch) {
  NetworkService service;
  Json payload = GetParam().members;
  payload["requestId"] = "s";
  EXPECT_EQ(RouteNetworkRequest(service, "network.start", payload),
            (Json{{"type", "network.start.error"}, {"payload", {{"requestId", "s"}, {"message", GetParam().message}}}}));
}

Json Udp(std::string localHost, std::string remoteHost, bool allowLan, Json extra = Json::object()) {
  Json members = testing::SessionMembers("udp", localHost, 0, remoteHost, 9, allowLan);
  members.update(extra);
  return members;
}

INSTANTIATE_TEST_SUITE_P(
    Route, ServiceRefusalTest,
    ::testing::Values(
        ServiceRefusal{"HostOutsidePrintableAscii", testing::SessionMembers("tcp-server", "例子.test", 0, "", 0),
                       "主机地址无效或过长。"},
        ServiceRefusal{"NonLoopbackBindWithoutPermission",
                       testing::SessionMembers("tcp-server", "192.168.1.5", 0, "", 0),
                       "绑定非回环地址前必须明确允许局域网访问。"},
        ServiceRefusal{"TtlOutsideUdp",
                       [] {
                         Json m = testing::SessionMembers("tcp-client", "", 0, "127.0.0.1", 9);
                         m["multicastTtl"] = 2;
                         return m;
                       }(),
                       "组播设置仅适用于 UDP。"},
        ServiceRefusal{"GroupOutsideMulticast", Udp("0.0.0.0", "127.0.0.1", true, {{"multicastGroup", "223.255.255.255"}}),
                       "接收组必须为 224.0.0.0 到 239.255.255.255 的 IPv4 组播地址。"},
        ServiceRefusal{"GroupWithLoopbackBind", Udp("127.0.0.1", "127.0.0.1", true, {{"multicastGroup", "239.1.2.3"}}),
                       "加入组播接收组需要绑定 0.0.0.0，并单独选择收发网卡。"},
        // Binding the wildcard address already needs the permission (checked first).
        ServiceRefusal{"GroupWithoutPermission", Udp("0.0.0.0", "127.0.0.1", false, {{"multicastGroup", "239.1.2.3"}}),
                       "绑定非回环地址前必须明确允许局域网访问。"},
        ServiceRefusal{"LoopbackGroupInterfaceWithoutPermission",
                       Udp("127.0.0.1", "239.1.2.3", false, {{"multicastInterface", "0.0.0.0"}}),
                       "使用组播网卡或加入接收组前必须明确允许局域网访问。"},
        ServiceRefusal{"GroupTargetWithoutPermission", Udp("127.0.0.1", "239.1.2.3", false),
                       "使用组播网卡或加入接收组前必须明确允许局域网访问。"},
        ServiceRefusal{"InterfaceOfZeroNetwork", Udp("127.0.0.1", "239.1.2.3", true, {{"multicastInterface", "0.1.2.3"}}),
                       "校验本机组播网卡 IPv4失败（Winsock 10022）。"},
        ServiceRefusal{"InterfaceNoAdapterHolds",
                       Udp("127.0.0.1", "239.1.2.3", true, {{"multicastInterface", "203.0.113.77"}}),
                       "校验本机组播网卡 IPv4失败（Winsock 10049）。"}),
    testing::CaseName());

TEST(NetworkStartRoute, ARefusedConfigurationStopsTheRunningSession) {
  NetworkService service;
  testing::RouteSession session(service);
  ASSERT_EQ(session.Start(testing::SessionMembers("tcp-server", "", 0, "", 0))["type"], "network.start.result");
  ASSERT_TRUE(session.WaitForState("listening"));
  EXPECT_EQ(session.Start(testing::SessionMembers("tcp-server", "192.168.1.5", 0, "", 0))["type"],
            "network.start.error");
  EXPECT_EQ(service.GetSnapshot().state, NetworkState::kStopped);
  session.Poll();
  EXPECT_EQ(session.Messages().back(), "网络会话已停止。");
}

NetworkSessionConfig Config(NetworkMode mode, std::string localHost, std::string remoteHost, uint16_t remotePort) {
  NetworkSessionConfig config;
  config.mode = mode;
  config.localHost = std::move(localHost);
  config.remoteHost = std::move(remoteHost);
  config.remotePort = remotePort;
  return config;
}

TEST(NetworkSessionConfigCheck, RulesThatTheRouteCannotReach) {
  const auto check = [](NetworkSessionConfig config) {
    try {
      CheckNetworkSessionConfig(config);
      return std::string("ok");
    } catch (const std::invalid_argument& refusal) {
      return std::string(refusal.what());
    }
  };
  NetworkSessionConfig client = Config(NetworkMode::kTcpClient, "", "127.0.0.1", 9);
  EXPECT_EQ(check(client), "ok");
  EXPECT_EQ(check(Config(NetworkMode::kTcpClient, "", "", 9)), "主机地址无效或过长。");
  EXPECT_EQ(check(Config(NetworkMode::kTcpClient, "", "127.0.0.1", 0)), "TCP 客户端和 UDP 需要目标地址与端口。");
  for (int ttl : {256, -1}) {
    NetworkSessionConfig udp = Config(NetworkMode::kUdp, "127.0.0.1", "127.0.0.1", 9);
    udp.multicastTtl = ttl;
    EXPECT_EQ(check(udp), "组播 TTL 必须为 0 到 255。") << ttl;
  }
  NetworkSessionConfig withNul = Config(NetworkMode::kUdp, "127.0.0.1", "239.1.2.3", 9);
  withNul.multicastInterface = std::string("127.0.0.1\0x", 11);
  EXPECT_EQ(check(withNul), "校验本机组播网卡 IPv4失败（Winsock 10022）。");

  NetworkSessionConfig server = Config(NetworkMode::kTcpServer, "", "", 0);
  ASSERT_NO_THROW(CheckNetworkSessionConfig(server));
  EXPECT_EQ(server.localHost, "127.0.0.1");  // an empty local host binds loopback
  ASSERT_NO_THROW(CheckNetworkSessionConfig(client));
  EXPECT_EQ(client.localHost, "");  // a client without local host does not bind
}

TEST(NetworkSessionConfigCheck, LoopbackHostTexts) {
  EXPECT_TRUE(IsLoopbackHostText("LOCALHOST"));
  EXPECT_TRUE(IsLoopbackHostText("[::1]"));
  EXPECT_TRUE(IsLoopbackHostText("127.9.9.9"));
  EXPECT_FALSE(IsLoopbackHostText("128.0.0.1"));
  EXPECT_FALSE(IsLoopbackHostText(""));
  EXPECT_EQ(StripHostBrackets("[::1]"), "::1");
  EXPECT_EQ(StripHostBrackets("[]"), "[]");
}

struct SendRefusal {
  std::string name;
  Json payload;
  std::string echoedRequestId;
};

std::ostream& operator<<(std::ostream& out, const SendRefusal& value) { return out << value.name; }

class SendRefusalTest : public ::testing::TestWithParam<SendRefusal> {};

TEST_P(SendRefusalTest, IsAnsweredDirectly) {
  NetworkService service;
  EXPECT_EQ(RouteNetworkRequest(service, "network.send", GetParam().payload),
            (Json{{"type", "network.send.error"},
                  {"payload", {{"requestId", GetParam().echoedRequestId}, {"message", kSendInvalid}}}}));
}

Json SendPayload(Json requestId, Json dataHex, Json target) {
  Json payload{{"requestId", requestId}, {"dataHex", dataHex}, {"targetPeerId", target}};
  for (auto it = payload.begin(); it != payload.end();) it = it->is_null() ? payload.erase(it) : std::next(it);
  return payload;
}

INSTANTIATE_TEST_SUITE_P(
    Route, SendRefusalTest,
    ::testing::Values(SendRefusal{"RequestIdMissing", SendPayload(nullptr, "41", ""), ""},
                      SendRefusal{"DataMissing", SendPayload("r", nullptr, ""), "r"},
                      SendRefusal{"TargetMissing", SendPayload("r", "41", nullptr), "r"},
                      SendRefusal{"TargetNotText", SendPayload("r", "41", 3), "r"},
                      SendRefusal{"RequestIdEmpty", SendPayload("", "41", ""), ""},
                      SendRefusal{"DataEmpty", SendPayload("r", "", ""), "r"},
                      SendRefusal{"Data131073Bytes", SendPayload("r", std::string(131073, '4'), ""), "r"},
                      SendRefusal{"TargetWithLetter", SendPayload("r", "41", "1a"), "r"},
                      SendRefusal{"Target81Digits", SendPayload("r", "41", std::string(81, '0')), "r"},
                      SendRefusal{"TargetBeyond64Bits", SendPayload("r", "41", "18446744073709551616"), "r"}),
    testing::CaseName());

TEST(NetworkSendRoute, DispatcherLimitsPassToTheService) {
  NetworkService service;
  // 131,072 digits and an empty target pass the route; the service then
  // refuses because no session runs.
  const Json reply =
      RouteNetworkRequest(service, "network.send", SendPayload("r", std::string(131072, '4'), ""));
  EXPECT_EQ(reply, (Json{{"type", "network.send.error"}, {"payload", {{"requestId", "r"}, {"message", "网络会话尚未启动。"}}}}));
  EXPECT_EQ(RouteNetworkRequest(service, "network.send", SendPayload("r", "41", std::string(80, '0')))["payload"]["message"],
            "网络会话尚未启动。");
}

TEST(NetworkRoutes, StopPollAndInterfacesRefuseAnInvalidRequestId) {
  const struct {
    const char* type;
    const char* message;
  } kRoutes[] = {{"network.stop", "停止网络调试的请求无效。"},
                 {"network.poll", "网络事件读取请求无效。"},
                 {"network.interfaces", "读取网卡列表的请求无效。"}};
  for (const auto& route : kRoutes) {
    for (const Json& payload : {Json::object(), Json{{"requestId", 1}}, Json{{"requestId", ""}},
                                Json{{"requestId", k81Bytes}}, Json::array()}) {
      NetworkService service;
      const std::string echoed = payload.is_object() && payload.contains("requestId") && payload["requestId"].is_string()
                                     ? payload["requestId"].get<std::string>()
                                     : "";
      EXPECT_EQ(RouteNetworkRequest(service, route.type, payload),
                (Json{{"type", std::string(route.type) + ".error"},
                      {"payload", {{"requestId", echoed}, {"message", route.message}}}}))
          << route.type << " " << payload;
    }
  }
}

TEST(NetworkRoutes, StopAndPollWithoutSession) {
  NetworkService service;
  const Json stop = RouteNetworkRequest(service, "network.stop", Json{{"requestId", "a"}});
  EXPECT_EQ(stop["type"], "network.stop.result");
  EXPECT_EQ(stop["payload"]["snapshot"]["state"], "stopped");
  const Json poll = RouteNetworkRequest(service, "network.poll", Json{{"requestId", "b"}});
  EXPECT_EQ(poll["type"], "network.poll.result");
  EXPECT_EQ(poll["payload"]["events"], Json::array());  // a stop without session logs nothing
  EXPECT_EQ(poll["payload"]["requestId"], "b");
}

TEST(NetworkRoutes, InterfacesListLoopback) {
  NetworkService service;
  const Json reply = RouteNetworkRequest(service, "network.interfaces", Json{{"requestId", "i"}});
  ASSERT_EQ(reply["type"], "network.interfaces.result") << reply;
  bool loopback = false;
  for (const Json& entry : reply["payload"]["interfaces"]) {
    EXPECT_FALSE(entry["name"].get<std::string>().empty());
    EXPECT_TRUE(entry["index"].is_number_unsigned());
    loopback = loopback || (entry["address"] == "127.0.0.1" && entry["loopback"] == true);
  }
  EXPECT_TRUE(loopback) << reply;
}

TEST(NetworkRoutes, AnotherTypeReachesTheOuterCatch) {
  NetworkService service;
  try {
    RouteNetworkRequest(service, "network.bogus", Json{{"requestId", "r"}});
    FAIL() << "no exception";
  } catch (const std::invalid_argument& failure) {
    EXPECT_STREQ(failure.what(), "暂不支持这个操作。");
  }
}

}  // namespace
}  // namespace nubo
