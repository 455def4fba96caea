#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace nubo {

struct MqttConnectOptions {
  std::string host;
  uint16_t port = 1883;
  std::string clientId;
  std::string username;  // empty = none
  std::string password;  // empty = none
  uint16_t keepAlive = 60;
  bool cleanSession = true;
  bool tls = false;
};

// One queued instruction for the worker.
struct MqttCommand {
  std::string name;         // "start", "stop", "publish", "subscribe", "unsubscribe"
  uint64_t generation = 0;  // "start" only: the start counter when it was queued
  MqttConnectOptions options;  // "start" only
  std::string topic;        // topic name (publish) or filter (subscribe, unsubscribe)
  uint8_t qos = 0;
  bool retain = false;
  std::vector<uint8_t> payload;
};

enum class MqttEventKind { kStatus, kError, kMessage, kPublished };
std::string_view MqttEventKindText(MqttEventKind kind);

// One logged event. A message or published event keeps its payload bytes;
// `payloadHex` is written only when the event is turned into JSON, and
// `byteLength` is the payload's size.
struct MqttEvent {
  MqttEventKind kind = MqttEventKind::kStatus;
  std::string message;  // status and error
  std::string topic;    // message and published
  uint8_t qos = 0;
  bool retain = false;
  std::vector<uint8_t> payload;
  uint64_t id = 0;         // given by the log
  int64_t timestamp = 0;   // wall-clock Unix milliseconds, given by the log
};

// The fields of the poll snapshot, with their initial values.
struct MqttSnapshot {
  std::string state = "stopped";  // "stopped", "connecting", "connected", "stopping", "error"
  std::string brokerHost = "127.0.0.1";
  uint16_t brokerPort = 1883;
  std::string clientId = "stardo-client";
  bool tls = false;
  bool sessionPresent = false;
  std::map<std::string, uint8_t> subscriptions;  // filter -> granted QoS, byte order
  uint64_t rxMessages = 0;
  uint64_t rxBytes = 0;
  uint64_t txMessages = 0;
  uint64_t txBytes = 0;
  std::string lastError;
};

// Overwrites a secret with zeros (in a way the compiler keeps) and empties it.
void MqttWipeText(std::string& text);
void MqttWipeBytes(std::vector<uint8_t>& bytes);

}  // namespace nubo
