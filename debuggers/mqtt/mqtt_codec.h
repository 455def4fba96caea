#pragma once

#include <cstdint>

// The MQTT 3.1.1 packet codec of a clean-session client: plain functions over
// caller-owned buffers that never allocate, never throw and keep no state.
// Every function answers 1 for success and 0 for failure; the fixed-header
// parser also answers -1.

namespace nubo {

// Output of every encoder. Each packet encoder starts at offset 0, never
// writes at or beyond capacity, and on failure leaves length 0.
struct MqttBuffer {
  uint8_t* data;
  uint64_t capacity;
  uint64_t length;
};

struct MqttConnectParams {
  const char* clientId;  // required, non-empty
  const char* username;  // null when absent; may be empty
  const char* password;  // null when absent; requires a username
  uint16_t keepAlive;
  int cleanSession;
};

// First bytes of the packets the client sends or receives.
inline constexpr uint8_t kMqttConnect = 0x10;
inline constexpr uint8_t kMqttConnack = 0x20;
inline constexpr uint8_t kMqttPublish = 0x30;
inline constexpr uint8_t kMqttPuback = 0x40;
inline constexpr uint8_t kMqttPubrec = 0x50;
inline constexpr uint8_t kMqttPubrel = 0x62;
inline constexpr uint8_t kMqttPubcomp = 0x70;
inline constexpr uint8_t kMqttSubscribe = 0x82;
inline constexpr uint8_t kMqttSuback = 0x90;
inline constexpr uint8_t kMqttUnsubscribe = 0xA2;
inline constexpr uint8_t kMqttUnsuback = 0xB0;
inline constexpr uint8_t kMqttPingreq = 0xC0;
inline constexpr uint8_t kMqttPingresp = 0xD0;

// 1 and the byte length (before the NUL) for well-formed UTF-8 of at most
// 65,535 bytes without surrogates, U+FDD0-U+FDEF or the last two code
// points of any plane; control characters are accepted.
int MqttIsValidUtf8(const char* text, uint64_t* byteLength);
// Valid UTF-8, non-empty, no '+' or '#'.
int MqttIsValidTopicName(const char* text);
// Valid UTF-8, non-empty, '#' only last and alone in its level, '+' alone in
// its level.
int MqttIsValidTopicFilter(const char* text);

// Appends the 2-byte big-endian length and the bytes at buffer->length; on
// failure the length is left as it was.
int MqttWriteString(MqttBuffer* buffer, const char* text, int allowEmpty);
// Resets the buffer and writes the first byte and the remaining-length field.
int MqttBeginPacket(MqttBuffer* buffer, uint8_t firstByte, uint64_t remainingLength);

int MqttEncodeConnect(const MqttConnectParams* params, MqttBuffer* buffer);
// The packet id is ignored (and not written) for QoS 0.
int MqttEncodePublish(uint16_t packetId, const char* topic, const uint8_t* payload,
                      uint64_t payloadLength, uint8_t qos, int retain, MqttBuffer* buffer);
// PUBACK, PUBREC, PUBREL or PUBCOMP; packet id 0 is refused.
int MqttEncodeAck(uint8_t firstByte, uint16_t packetId, MqttBuffer* buffer);
// Two bytes: firstByte, 0x00 (PINGREQ).
int MqttEncodeHeaderOnly(uint8_t firstByte, MqttBuffer* buffer);
int MqttEncodeSubscribe(uint16_t packetId, const char* filter, uint8_t qos, MqttBuffer* buffer);
int MqttEncodeUnsubscribe(uint16_t packetId, const char* filter, MqttBuffer* buffer);

// 1 when a whole packet of *packetSize bytes (header *headerSize) is
// available, 0 when more bytes are needed, -1 for a malformed remaining
// length, a packet above maxPacketSize or bad arguments. The first byte is
// not examined.
int MqttParseFixedHeader(const uint8_t* data, uint64_t available, uint64_t maxPacketSize,
                         uint64_t* packetSize, uint64_t* headerSize);

}  // namespace nubo
