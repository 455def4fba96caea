#include "debuggers/mqtt/mqtt_requests.h"

#include <stdexcept>
#include <string>

#include "store/hex_digits.h"
#include "debuggers/mqtt/mqtt_codec.h"
#include "debuggers/mqtt/mqtt_limits.h"
#include "debuggers/mqtt/mqtt_texts.h"

namespace nubo {
namespace {

using Json = nlohmann::json;

[[noreturn]] void Refuse(std::string_view text) { throw std::invalid_argument(std::string(text)); }

const Json* Member(const Json& payload, const char* name) {
  const auto it = payload.find(name);
  return it == payload.end() ? nullptr : &*it;
}

// A JSON string of minBytes..maxBytes bytes without a NUL byte.
bool ReadText(const Json& payload, const char* name, size_t minBytes, size_t maxBytes, std::string& out) {
  const Json* member = Member(payload, name);
  if (member == nullptr || !member->is_string()) return false;
  const auto& text = member->get_ref<const std::string&>();
  if (text.size() < minBytes || text.size() > maxBytes || text.find('\0') != std::string::npos) return false;
  out = text;
  return true;
}

// A JSON integer (no fraction or exponent) within [min, max].
bool ReadInteger(const Json& payload, const char* name, int64_t min, int64_t max, int64_t& out) {
  const Json* member = Member(payload, name);
  if (member == nullptr || !member->is_number_integer()) return false;
  if (member->is_number_unsigned() && member->get<uint64_t>() > static_cast<uint64_t>(max)) return false;
  const int64_t value = member->get<int64_t>();
  if (value < min || value > max) return false;
  out = value;
  return true;
}

bool ReadBool(const Json& payload, const char* name, bool& out) {
  const Json* member = Member(payload, name);
  if (member == nullptr || !member->is_boolean()) return false;
  out = member->get<bool>();
  return true;
}

bool IsPrintableHost(const std::string& host) {
  for (unsigned char c : host) {
    if (c < 33 || c > 126) return false;
  }
  return true;
}

// Reads the start fields in their order; false at the first bad one.
bool ReadStartFields(const Json& payload, MqttConnectOptions& options) {
  int64_t port = 0, keepAlive = 0;
  if (!ReadText(payload, "host", 1, mqtt::kMaxHostBytes, options.host) ||
      !ReadInteger(payload, "port", 1, 65535, port) ||
      !ReadText(payload, "clientId", 1, mqtt::kMaxClientIdBytes, options.clientId) ||
      !ReadText(payload, "username", 0, mqtt::kMaxCredentialBytes, options.username) ||
      !ReadText(payload, "password", 0, mqtt::kMaxCredentialBytes, options.password) ||
      !ReadInteger(payload, "keepAlive", mqtt::kMinKeepAlive, mqtt::kMaxKeepAlive, keepAlive) ||
      !ReadBool(payload, "cleanSession", options.cleanSession) || !ReadBool(payload, "tls", options.tls)) {
    return false;
  }
  options.port = static_cast<uint16_t>(port);
  options.keepAlive = static_cast<uint16_t>(keepAlive);
  return IsPrintableHost(options.host);
}

MqttCommand TopicFilterCommand(const Json& payload, const char* name, bool withQos) {
  MqttCommand command;
  command.name = name;
  int64_t qos = 0;
  if (!ReadText(payload, "topic", 1, mqtt::kMaxTextBytes, command.topic) ||
      !MqttIsValidTopicFilter(command.topic.c_str()) ||
      (withQos && !ReadInteger(payload, "qos", 0, 2, qos))) {
    Refuse(mqtt::text::kBadSubscribe);
  }
  command.qos = static_cast<uint8_t>(qos);
  return command;
}

}  // namespace

MqttAction MqttParseAction(std::string_view action, const nlohmann::json& payload) {
  if (!payload.is_object()) Refuse(mqtt::text::kRequestNotObject);
  if (action == "poll") return MqttAction::kPoll;
  if (action == "start") return MqttAction::kStart;
  if (action == "stop") return MqttAction::kStop;
  if (action == "subscribe") return MqttAction::kSubscribe;
  if (action == "unsubscribe") return MqttAction::kUnsubscribe;
  if (action == "publish") return MqttAction::kPublish;
  Refuse(mqtt::text::kUnsupportedAction);
}

MqttCommand MqttParseStart(const nlohmann::json& payload) {
  MqttCommand command;
  command.name = "start";
  MqttConnectOptions& options = command.options;
  if (!payload.is_object() || !ReadStartFields(payload, options)) {
    MqttWipeText(options.password);
    Refuse(mqtt::text::kBadStart);
  }
  if (!options.cleanSession) {
    MqttWipeText(options.password);
    Refuse(mqtt::text::kCleanSessionOnly);
  }
  if (!options.password.empty() && options.username.empty()) {
    MqttWipeText(options.password);
    Refuse(mqtt::text::kPasswordNeedsUser);
  }
  return command;
}

MqttCommand MqttParseSubscribe(const nlohmann::json& payload) {
  if (!payload.is_object()) Refuse(mqtt::text::kBadSubscribe);
  return TopicFilterCommand(payload, "subscribe", true);
}

MqttCommand MqttParseUnsubscribe(const nlohmann::json& payload) {
  if (!payload.is_object()) Refuse(mqtt::text::kBadSubscribe);
  return TopicFilterCommand(payload, "unsubscribe", false);
}

MqttCommand MqttParsePublish(const nlohmann::json& payload) {
  MqttCommand command;
  command.name = "publish";
  std::string dataHex;
  int64_t qos = 0;
  if (!payload.is_object() || !ReadText(payload, "topic", 1, mqtt::kMaxTextBytes, command.topic) ||
      !MqttIsValidTopicName(command.topic.c_str()) ||
      !ReadText(payload, "dataHex", 0, mqtt::kMaxDataHexBytes, dataHex) ||
      !MqttParseStrictHex(dataHex, command.payload) || !ReadInteger(payload, "qos", 0, 2, qos) ||
      !ReadBool(payload, "retain", command.retain)) {
    Refuse(mqtt::text::kBadPublish);
  }
  command.qos = static_cast<uint8_t>(qos);
  return command;
}

MqttCommand MqttStopCommand() {
  MqttCommand command;
  command.name = "stop";
  return command;
}

bool MqttParseStrictHex(std::string_view text, std::vector<uint8_t>& bytes) {
  bytes.clear();
  if (text.size() % 2 != 0) return false;
  bytes.resize(text.size() / 2);
  for (size_t i = 0; i < bytes.size(); ++i) {
    const int high = HexDigitValue(text[2 * i]);
    const int low = HexDigitValue(text[2 * i + 1]);
    if (high < 0 || low < 0) {
      bytes.clear();
      return false;
    }
    bytes[i] = static_cast<uint8_t>(high << 4 | low);
  }
  return true;
}

uint64_t MqttCommandCost(const MqttCommand& command) {
  const MqttConnectOptions& o = command.options;
  return mqtt::kCommandBaseCost + o.host.size() + o.clientId.size() + o.username.size() +
         o.password.size() + command.topic.size() + command.payload.size();
}

}  // namespace nubo
