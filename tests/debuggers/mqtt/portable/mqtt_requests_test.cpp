#include <gtest/gtest.h>

#include <map>
#include <stdexcept>
#include <string>

#include "debuggers/mqtt/mqtt_command_queue.h"
#include "debuggers/mqtt/mqtt_event_log.h"
#include "debuggers/mqtt/mqtt_requests.h"

namespace nubo {
namespace {

using Json = nlohmann::json;

template <typename Parse>
std::string Outcome(Parse parse) {
  try {
    parse();
    return "ok";
  } catch (const std::invalid_argument& e) {
    return std::string("invalid: ") + e.what();
  } catch (const std::runtime_error& e) {
    return std::string("runtime: ") + e.what();
  }
}

struct PatchCase {
  std::string patch;  // merged into the valid payload; null removes a key
  std::string outcome;
};

void ExpectPatched(MqttCommand (*parse)(const Json&), const char* valid, const std::vector<PatchCase>& cases) {
  for (const PatchCase& c : cases) {
    Json payload = Json::parse(valid);
    payload.merge_patch(Json::parse(c.patch));
    EXPECT_EQ(Outcome([&] { parse(payload); }), c.outcome) << c.patch;
  }
}

TEST(MqttRequests, ActionGateObjectFirst) {
  EXPECT_EQ(Outcome([] { MqttParseAction("bogus", Json::array()); }), "invalid: MQTT 请求必须是对象。");
  EXPECT_EQ(Outcome([] { MqttParseAction("bogus", Json::object()); }), "invalid: 不支持的 MQTT 操作。");
  EXPECT_EQ(MqttParseAction("publish", Json::object()), MqttAction::kPublish);
}

TEST(MqttRequests, StartRefusalsInOrder) {
  const std::string bad = "invalid: Broker、端口或会话参数无效。";
  const std::string clean = "invalid: 首版 MQTT 客户端仅支持新会话连接。";
  const std::string password = "invalid: 填写密码时必须同时填写用户名。";
  const std::string host253(253, 'h'), host254(254, 'h');
  ExpectPatched(MqttParseStart,
                R"({"host":"b","port":1883,"clientId":"c","username":"","password":"","keepAlive":5,)"
                R"("cleanSession":true,"tls":false})",
                {{"{}", "ok"}, {R"({"port":1883.0})", bad}, {R"({"port":0})", bad}, {R"({"port":65535})", "ok"},
                 {R"({"port":65536})", bad}, {R"({"host":"a b"})", bad}, {R"({"host":"!~"})", "ok"}, {R"({"host":"a\u007f"})", bad},
                 {R"({"host":")" + host253 + "\"}", "ok"}, {R"({"host":")" + host254 + "\"}", bad},
                 {R"({"username":null})", bad}, {R"({"keepAlive":4})", bad}, {R"({"keepAlive":3600})", "ok"},
                 {R"({"keepAlive":3601})", bad}, {R"({"clientId":""})", bad}, {R"({"tls":1})", bad},
                 {R"({"cleanSession":false,"port":0})", bad}, {R"({"cleanSession":false,"password":"p"})", clean},
                 {R"({"password":"p"})", password}, {R"({"password":"p","username":"u"})", "ok"}});
}

TEST(MqttRequests, PublishAndSubscribeFields) {
  const std::string bad = "invalid: 发布主题、QoS 或载荷无效。";
  const std::string hexMax(524'288, 'f'), hexOver(524'290, 'f');
  ExpectPatched(MqttParsePublish, R"({"topic":"t","dataHex":"","qos":0,"retain":false})",
                {{"{}", "ok"}, {R"({"topic":"a/+"})", bad}, {R"({"dataHex":"abc"})", bad},
                 {R"({"dataHex":"41 42"})", bad}, {R"({"dataHex":"0x41"})", bad}, {R"({"qos":3})", bad},
                 {R"({"retain":null})", bad}, {R"({"dataHex":")" + hexMax + "\"}", "ok"},
                 {R"({"dataHex":")" + hexOver + "\"}", bad}});
  EXPECT_EQ(MqttParsePublish(Json::parse(R"({"topic":"t","dataHex":"aB0f","qos":2,"retain":true})")).payload,
            (std::vector<uint8_t>{0xAB, 0x0F}));
  const std::string sub = "invalid: 订阅主题或 QoS 无效。";
  ExpectPatched(MqttParseSubscribe, R"({"topic":"a/#","qos":2})",
                {{"{}", "ok"}, {R"({"topic":"a#"})", sub}, {R"({"qos":3})", sub}, {R"({"qos":null})", sub}});
  ExpectPatched(MqttParseUnsubscribe, R"({"topic":"+"})", {{"{}", "ok"}, {R"({"topic":""})", sub}});
}

MqttCommand Named(const char* name, std::string topic, size_t payload = 0) {
  MqttCommand command;
  command.name = name;
  command.topic = std::move(topic);
  command.payload.resize(payload);
  return command;
}

TEST(MqttCommandQueue, RefusalsInOrder) {
  std::map<std::string, uint8_t> subscribed;
  for (int i = 0; i < 128; ++i) subscribed["s" + std::to_string(i)] = 0;
  MqttCommandQueue queue;
  const auto enqueue = [&](MqttCommand c, const char* state = "connected") {
    return Outcome([&] { queue.Enqueue(std::move(c), state, subscribed); });
  };
  const std::string limit = "runtime: MQTT 订阅数量已达到 128 个上限。";
  EXPECT_EQ(enqueue(Named("subscribe", "new"), "connecting"), "runtime: MQTT 客户端尚未连接。");
  EXPECT_EQ(enqueue(Named("subscribe", "new")), limit);
  EXPECT_EQ(enqueue(Named("subscribe", "s1")), "ok");
  EXPECT_EQ(enqueue(Named("unsubscribe", "s2")), "ok");
  EXPECT_EQ(enqueue(Named("subscribe", "new")), "ok");
  EXPECT_EQ(enqueue(Named("subscribe", "other")), limit);
  EXPECT_FALSE(queue.FrontIsStartOrStop());
  while (queue.Size() < 128) ASSERT_EQ(enqueue(Named("publish", "t")), "ok");
  EXPECT_EQ(enqueue(Named("publish", "t")), "runtime: MQTT 待处理操作已达到上限。");
  queue.Replace(MqttStopCommand());
  EXPECT_TRUE(queue.FrontIsStartOrStop());
  EXPECT_EQ(queue.Cost(), 248u);
  queue.Clear();
  EXPECT_FALSE(queue.FrontIsStartOrStop());
  EXPECT_EQ(enqueue(Named("publish", "t", 2'097'152 - 249)), "ok");
  EXPECT_EQ(queue.Cost(), 2'097'152u);
  queue.Clear();
  EXPECT_EQ(enqueue(Named("publish", "t", 2'097'152 - 248)), "runtime: MQTT 待处理操作已达到上限。");
}

TEST(MqttEventLog, SizeMatchesCompactJson) {
  MqttEvent status;
  status.message = "引号\" \\ \n\x01\x1f\x7f ok";
  status.id = 18'446'744'073'709'551'615ull;
  status.timestamp = -5;
  MqttEvent message;
  message.kind = MqttEventKind::kMessage;
  message.topic = "a/\t/é";
  message.qos = 2;
  message.retain = true;
  message.payload = std::vector<uint8_t>(1'000, 0xAB);
  message.id = 10;
  message.timestamp = 1'700'000'000'000;
  for (const MqttEvent& event : {status, message, MqttEvent{}}) {
    EXPECT_EQ(MqttEventJsonSize(event), MqttEventToJson(event).dump().size()) << MqttEventToJson(event).dump();
  }
}

TEST(MqttEventLog, BoundsAndGeneration) {
  MqttEventLog log;
  for (int i = 0; i < 1'001; ++i) log.Offer(MqttEvent{}, 7, true);
  log.Offer(MqttEvent{}, 7, false);
  EXPECT_EQ(log.Size(), 1'000u);
  std::vector<MqttEvent> taken = log.Take();
  EXPECT_EQ(taken.size(), 200u);
  EXPECT_EQ(taken.front().id, 2u);
  log.Clear();
  log.Offer(MqttEvent{}, 7, true);
  EXPECT_EQ(log.Take().front().id, 1'003u);
  MqttEvent big;
  big.kind = MqttEventKind::kMessage;
  big.payload.resize(262'144);
  for (int i = 0; i < 9; ++i) log.Offer(big, 7, true);
  EXPECT_EQ(log.Size(), 7u);
  EXPECT_LE(log.Bytes(), 4'194'304u);
  MqttEventLog exact;  // four events of 1 MiB fill the log exactly
  MqttEvent quarter;
  quarter.id = 1, quarter.timestamp = 7;
  quarter.message.assign(1'048'576 - MqttEventJsonSize(quarter), 'x');
  for (int i = 0; i < 4; ++i) exact.Offer(quarter, 7, true);
  EXPECT_EQ(exact.Size(), 4u);
}

TEST(MqttSnapshot, InitialJson) {
  EXPECT_EQ(MqttSnapshotToJson(MqttSnapshot{}).dump(),
            R"({"brokerHost":"127.0.0.1","brokerPort":1883,"clientId":"stardo-client","lastError":"",)"
            R"("rxBytes":0,"rxMessages":0,"sessionPresent":false,"state":"stopped","subscriptions":[],)"
            R"("tls":false,"txBytes":0,"txMessages":0})");
}

}  // namespace
}  // namespace nubo
