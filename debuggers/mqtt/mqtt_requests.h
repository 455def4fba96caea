#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "debuggers/mqtt/mqtt_types.h"

namespace nubo {

enum class MqttAction { kPoll, kStart, kStop, kSubscribe, kUnsubscribe, kPublish };

// The request's action. std::invalid_argument with "MQTT 请求必须是对象。" when
// the payload is not an object (tested first), "不支持的 MQTT 操作。" for an
// unknown action.
MqttAction MqttParseAction(std::string_view action, const nlohmann::json& payload);

// The field checks of each request, std::invalid_argument with the action's
// text. The returned command has its name, options or topic, qos, retain and
// payload; the service gives a start its generation.
MqttCommand MqttParseStart(const nlohmann::json& payload);
MqttCommand MqttParseSubscribe(const nlohmann::json& payload);
MqttCommand MqttParseUnsubscribe(const nlohmann::json& payload);
MqttCommand MqttParsePublish(const nlohmann::json& payload);
MqttCommand MqttStopCommand();

// Even count of hexadecimal digits of either case, nothing else; false
// leaves bytes empty.
bool MqttParseStrictHex(std::string_view text, std::vector<uint8_t>& bytes);

// 248 plus host, clientId, username, password, topic and payload bytes.
uint64_t MqttCommandCost(const MqttCommand& command);

}  // namespace nubo
