#include "debuggers/mqtt/mqtt_codec.h"

#include <cstring>

#include "debuggers/mqtt/mqtt_limits.h"

namespace nubo {
namespace {

bool IsContinuation(uint8_t byte) { return (byte & 0xC0) == 0x80; }

bool IsAllowedCodePoint(uint32_t value) {
  const bool inRange = value < 0xD800 || (value >= 0xE000 && value <= 0xFDCF) ||
                       (value >= 0xFDF0 && value <= 0x10FFFF);
  const uint32_t low = value & 0xFFFF;
  return inRange && low != 0xFFFE && low != 0xFFFF;
}

int RemainingLengthBytes(uint64_t remaining) {
  if (remaining < 128) return 1;
  if (remaining < 16'384) return 2;
  if (remaining < 2'097'152) return 3;
  return 4;
}

void PutU16(MqttBuffer* buffer, uint16_t value) {
  buffer->data[buffer->length++] = static_cast<uint8_t>(value >> 8);
  buffer->data[buffer->length++] = static_cast<uint8_t>(value & 0xFF);
}

bool HasRoom(const MqttBuffer* buffer, uint64_t bytes) {
  return buffer->length <= buffer->capacity && bytes <= buffer->capacity - buffer->length;
}

int Fail(MqttBuffer* buffer) {
  if (buffer != nullptr) buffer->length = 0;
  return 0;
}

uint64_t TextBytes(const char* text) {
  uint64_t length = 0;
  return MqttIsValidUtf8(text, &length) ? length : 0;
}

}  // namespace

int MqttIsValidUtf8(const char* text, uint64_t* byteLength) {
  if (text == nullptr || byteLength == nullptr) return 0;
  const auto* bytes = reinterpret_cast<const uint8_t*>(text);
  uint64_t i = 0;
  while (bytes[i] != 0) {
    if (i >= mqtt::kMaxTextBytes) return 0;
    const uint8_t lead = bytes[i];
    int extra = 0;
    uint32_t value = 0;
    uint32_t minimum = 0;
    if (lead < 0x80) {
      ++i;
      continue;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      extra = 1, value = lead & 0x1F, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      extra = 2, value = lead & 0x0F, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      extra = 3, value = lead & 0x07, minimum = 0x10000;
    } else {
      return 0;
    }
    for (int k = 1; k <= extra; ++k) {
      // A NUL terminator is not a continuation byte, so reading stops at it.
      if (!IsContinuation(bytes[i + k])) return 0;
      value = (value << 6) | (bytes[i + k] & 0x3F);
    }
    if (value < minimum || !IsAllowedCodePoint(value)) return 0;
    i += 1 + extra;
  }
  if (i > mqtt::kMaxTextBytes) return 0;
  *byteLength = i;
  return 1;
}

int MqttIsValidTopicName(const char* text) {
  uint64_t length = 0;
  if (!MqttIsValidUtf8(text, &length) || length == 0) return 0;
  for (uint64_t i = 0; i < length; ++i) {
    if (text[i] == '+' || text[i] == '#') return 0;
  }
  return 1;
}

int MqttIsValidTopicFilter(const char* text) {
  uint64_t length = 0;
  if (!MqttIsValidUtf8(text, &length) || length == 0) return 0;
  for (uint64_t i = 0; i < length; ++i) {
    const char c = text[i];
    if (c != '+' && c != '#') continue;
    const bool levelStart = i == 0 || text[i - 1] == '/';
    if (!levelStart) return 0;
    if (c == '#' && i + 1 != length) return 0;
    if (c == '+' && i + 1 != length && text[i + 1] != '/') return 0;
  }
  return 1;
}

int MqttWriteString(MqttBuffer* buffer, const char* text, int allowEmpty) {
  uint64_t length = 0;
  if (buffer == nullptr || buffer->data == nullptr) return 0;
  if (!MqttIsValidUtf8(text, &length)) return 0;
  if (length == 0 && !allowEmpty) return 0;
  if (!HasRoom(buffer, 2 + length)) return 0;
  PutU16(buffer, static_cast<uint16_t>(length));
  if (length != 0) std::memcpy(buffer->data + buffer->length, text, length);
  buffer->length += length;
  return 1;
}

int MqttBeginPacket(MqttBuffer* buffer, uint8_t firstByte, uint64_t remainingLength) {
  if (buffer == nullptr) return 0;
  buffer->length = 0;
  if (buffer->data == nullptr || buffer->capacity == 0) return 0;
  if (remainingLength > mqtt::kMaxRemainingLength) return 0;
  const int fieldBytes = RemainingLengthBytes(remainingLength);
  if (!HasRoom(buffer, 1 + static_cast<uint64_t>(fieldBytes))) return 0;
  buffer->data[buffer->length++] = firstByte;
  uint64_t rest = remainingLength;
  do {
    uint8_t digit = static_cast<uint8_t>(rest % 128);
    rest /= 128;
    if (rest > 0) digit |= 0x80;
    buffer->data[buffer->length++] = digit;
  } while (rest > 0);
  return 1;
}

int MqttEncodeConnect(const MqttConnectParams* params, MqttBuffer* buffer) {
  if (params == nullptr || buffer == nullptr) return Fail(buffer);
  uint64_t c = 0, u = 0, p = 0;
  if (!MqttIsValidUtf8(params->clientId, &c) || c == 0) return Fail(buffer);
  if (params->username != nullptr && !MqttIsValidUtf8(params->username, &u)) return Fail(buffer);
  if (params->password != nullptr &&
      (params->username == nullptr || !MqttIsValidUtf8(params->password, &p))) {
    return Fail(buffer);
  }
  uint64_t remaining = 12 + c;
  uint8_t flags = params->cleanSession ? 0x02 : 0x00;
  if (params->username != nullptr) remaining += 2 + u, flags |= 0x80;
  if (params->password != nullptr) remaining += 2 + p, flags |= 0x40;
  if (!MqttBeginPacket(buffer, kMqttConnect, remaining)) return Fail(buffer);
  if (!HasRoom(buffer, remaining)) return Fail(buffer);
  static constexpr uint8_t kProtocol[] = {0x00, 0x04, 'M', 'Q', 'T', 'T', 0x04};
  std::memcpy(buffer->data + buffer->length, kProtocol, sizeof kProtocol);
  buffer->length += sizeof kProtocol;
  buffer->data[buffer->length++] = flags;
  PutU16(buffer, params->keepAlive);
  if (!MqttWriteString(buffer, params->clientId, 0)) return Fail(buffer);
  if (params->username != nullptr && !MqttWriteString(buffer, params->username, 1)) return Fail(buffer);
  if (params->password != nullptr && !MqttWriteString(buffer, params->password, 1)) return Fail(buffer);
  return 1;
}

int MqttEncodePublish(uint16_t packetId, const char* topic, const uint8_t* payload,
                      uint64_t payloadLength, uint8_t qos, int retain, MqttBuffer* buffer) {
  if (qos > 2 || (qos > 0 && packetId == 0)) return Fail(buffer);
  if (!MqttIsValidTopicName(topic)) return Fail(buffer);
  if (payloadLength != 0 && payload == nullptr) return Fail(buffer);
  // The sum is checked in 64 bits before anything is written: a payload
  // length near 2^64 must not wrap into a small remaining length.
  const uint64_t head = 2 + TextBytes(topic) + (qos > 0 ? 2 : 0);
  if (payloadLength > mqtt::kMaxRemainingLength - head) return Fail(buffer);
  const uint64_t remaining = head + payloadLength;
  const uint8_t first = static_cast<uint8_t>(kMqttPublish | (qos << 1) | (retain ? 1 : 0));
  if (!MqttBeginPacket(buffer, first, remaining)) return Fail(buffer);
  if (!HasRoom(buffer, remaining)) return Fail(buffer);
  if (!MqttWriteString(buffer, topic, 0)) return Fail(buffer);
  if (qos > 0) PutU16(buffer, packetId);
  if (payloadLength != 0) std::memcpy(buffer->data + buffer->length, payload, payloadLength);
  buffer->length += payloadLength;
  return 1;
}

int MqttEncodeAck(uint8_t firstByte, uint16_t packetId, MqttBuffer* buffer) {
  if (packetId == 0) return Fail(buffer);
  if (!MqttBeginPacket(buffer, firstByte, 2) || !HasRoom(buffer, 2)) return Fail(buffer);
  PutU16(buffer, packetId);
  return 1;
}

int MqttEncodeHeaderOnly(uint8_t firstByte, MqttBuffer* buffer) {
  if (!MqttBeginPacket(buffer, firstByte, 0)) return Fail(buffer);
  return 1;
}

int MqttEncodeSubscribe(uint16_t packetId, const char* filter, uint8_t qos, MqttBuffer* buffer) {
  if (packetId == 0 || qos > 2 || !MqttIsValidTopicFilter(filter)) return Fail(buffer);
  const uint64_t remaining = 5 + TextBytes(filter);
  if (!MqttBeginPacket(buffer, kMqttSubscribe, remaining) || !HasRoom(buffer, remaining)) {
    return Fail(buffer);
  }
  PutU16(buffer, packetId);
  if (!MqttWriteString(buffer, filter, 0)) return Fail(buffer);
  buffer->data[buffer->length++] = qos;
  return 1;
}

int MqttEncodeUnsubscribe(uint16_t packetId, const char* filter, MqttBuffer* buffer) {
  if (packetId == 0 || !MqttIsValidTopicFilter(filter)) return Fail(buffer);
  const uint64_t remaining = 4 + TextBytes(filter);
  if (!MqttBeginPacket(buffer, kMqttUnsubscribe, remaining) || !HasRoom(buffer, remaining)) {
    return Fail(buffer);
  }
  PutU16(buffer, packetId);
  if (!MqttWriteString(buffer, filter, 0)) return Fail(buffer);
  return 1;
}

int MqttParseFixedHeader(const uint8_t* data, uint64_t available, uint64_t maxPacketSize,
                         uint64_t* packetSize, uint64_t* headerSize) {
  if (packetSize == nullptr || headerSize == nullptr) return -1;
  if (data == nullptr && available > 0) return -1;
  *packetSize = 0;
  *headerSize = 0;
  if (available < 2) return 0;
  uint64_t remaining = 0;
  uint64_t multiplier = 1;
  uint64_t index = 1;
  for (;;) {
    if (index >= available) return 0;
    const uint8_t digit = data[index];
    remaining += (digit & 0x7F) * multiplier;
    if ((digit & 0x80) == 0) break;
    if (index == 4) return -1;
    multiplier *= 128;
    ++index;
  }
  const uint64_t header = 1 + index;
  const uint64_t packet = header + remaining;
  if (packet > maxPacketSize) return -1;
  *packetSize = packet;
  *headerSize = header;
  return available >= packet ? 1 : 0;
}

}  // namespace nubo
