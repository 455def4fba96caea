#include "debuggers/mqtt/mqtt_engine.h"

#include <string_view>
#include <utility>

#include "debuggers/mqtt/mqtt_codec.h"
#include "debuggers/mqtt/mqtt_limits.h"
#include "debuggers/mqtt/mqtt_texts.h"

namespace nubo {
namespace {

MqttStep Fail(std::string& error, std::string_view text) {
  error = text;
  return MqttStep::kFailed;
}

uint16_t ReadU16(const uint8_t* bytes) { return static_cast<uint16_t>(bytes[0] << 8 | bytes[1]); }

std::string_view ConnackCodeText(uint8_t code) {
  switch (code) {
    case 1: return mqtt::text::kConnackProtocol;
    case 2: return mqtt::text::kConnackClientId;
    case 3: return mqtt::text::kConnackUnavailable;
    case 4: return mqtt::text::kConnackCredentials;
    case 5: return mqtt::text::kConnackNotAuthorised;
    default: return mqtt::text::kConnackUnknown;
  }
}

MqttEvent StatusEvent(std::string message) {
  MqttEvent event;
  event.kind = MqttEventKind::kStatus;
  event.message = std::move(message);
  return event;
}

MqttEvent PayloadEvent(MqttEventKind kind, std::string topic, uint8_t qos, bool retain,
                       std::vector<uint8_t> payload) {
  MqttEvent event;
  event.kind = kind;
  event.topic = std::move(topic);
  event.qos = qos;
  event.retain = retain;
  event.payload = std::move(payload);
  return event;
}

std::string StatusText(std::string_view prefix, const std::string& topic) {
  std::string text(prefix);
  text += topic;
  text += mqtt::text::kStatusSuffix;
  return text;
}

}  // namespace

void MqttEngine::Reset() {
  outbound_.clear();
  inbound_.clear();
  inboundBytes_ = 0;
  pingOutstanding_ = false;
  received_.clear();
  consumed_ = 0;
  ConnectionClosed();
}

void MqttEngine::ConnectionClosed() {
  awaitingConnack_ = false;
  connected_ = false;
}

MqttStep MqttEngine::SendPacket(const uint8_t* data, size_t size, std::string& error) {
  const MqttStep step = host_.Send(data, size, error);
  if (step == MqttStep::kOk) lastSendMs_ = host_.SteadyNowMs();
  return step;
}

MqttStep MqttEngine::SendAck(uint8_t firstByte, uint16_t packetId, std::string& error) {
  uint8_t bytes[4] = {};
  MqttBuffer buffer{bytes, sizeof bytes, 0};
  if (!MqttEncodeAck(firstByte, packetId, &buffer)) return Fail(error, mqtt::text::kEncodePacket);
  return SendPacket(bytes, buffer.length, error);
}

MqttStep MqttEngine::SendConnect(MqttConnectOptions& options, std::string& error) {
  const MqttConnectParams params{options.clientId.c_str(),
                                 options.username.empty() ? nullptr : options.username.c_str(),
                                 options.password.empty() ? nullptr : options.password.c_str(),
                                 options.keepAlive, options.cleanSession ? 1 : 0};
  std::vector<uint8_t> bytes(options.clientId.size() + options.username.size() +
                             options.password.size() + 64);
  MqttBuffer buffer{bytes.data(), bytes.size(), 0};
  MqttStep step = MqttStep::kFailed;
  if (!MqttEncodeConnect(&params, &buffer)) {
    error = mqtt::text::kEncodeConnect;
  } else {
    step = SendPacket(bytes.data(), buffer.length, error);
  }
  MqttWipeBytes(bytes);
  MqttWipeText(options.password);
  if (step == MqttStep::kOk) {
    awaitingConnack_ = true;
    connected_ = false;
    keepAlive_ = options.keepAlive;
    connackDeadlineMs_ = host_.SteadyNowMs() + mqtt::kConnackTimeoutMs;
  }
  return step;
}

uint16_t MqttEngine::AllocatePacketId() {
  for (uint32_t tries = 0; tries < 65535; ++tries) {
    packetIdCounter_ = packetIdCounter_ == 65535 ? 1 : static_cast<uint16_t>(packetIdCounter_ + 1);
    if (outbound_.count(packetIdCounter_) == 0) return packetIdCounter_;
  }
  return 0;  // every id held: the encoders refuse 0
}

bool MqttEngine::NeedsPacketId(const MqttCommand& command) {
  return command.name == "subscribe" || command.name == "unsubscribe" || (command.name == "publish" && command.qos > 0);
}

bool MqttEngine::Ready(const MqttCommand& command) const {
  return !connected_ || !NeedsPacketId(command) || outbound_.size() < mqtt::kMaxOutboundPending;
}

MqttStep MqttEngine::SendCommand(MqttCommand command, std::string& error) {
  if (!connected_) return MqttStep::kOk;
  if (!Ready(command)) return Fail(error, mqtt::text::kTooManyPending);
  const bool publish = command.name == "publish";
  const bool subscribe = command.name == "subscribe";
  const bool unsubscribe = command.name == "unsubscribe";
  if (!publish && !subscribe && !unsubscribe) return Fail(error, mqtt::text::kEncodePacket);
  const uint16_t packetId = NeedsPacketId(command) ? AllocatePacketId() : 0;

  std::vector<uint8_t> bytes(command.topic.size() + command.payload.size() + 32);
  MqttBuffer buffer{bytes.data(), bytes.size(), 0};
  const char* topic = command.topic.c_str();
  int encoded = 0;
  if (command.topic.find('\0') == std::string::npos) {
    if (publish) {
      encoded = MqttEncodePublish(packetId, topic, command.payload.data(), command.payload.size(),
                                  command.qos, command.retain ? 1 : 0, &buffer);
    } else if (subscribe) {
      encoded = MqttEncodeSubscribe(packetId, topic, command.qos, &buffer);
    } else {
      encoded = MqttEncodeUnsubscribe(packetId, topic, &buffer);
    }
  }
  if (!encoded) return Fail(error, mqtt::text::kEncodePacket);
  if (packetId != 0) outbound_[packetId] = MqttTrackedEntry{command.name, command.topic, command.qos};

  const MqttStep step = SendPacket(bytes.data(), buffer.length, error);
  if (step != MqttStep::kOk || !publish) return step;
  host_.CountSent(command.payload.size());
  host_.LogEvent(PayloadEvent(MqttEventKind::kPublished, std::move(command.topic), command.qos,
                              command.retain, std::move(command.payload)));
  return step;
}

MqttStep MqttEngine::Receive(const uint8_t* data, size_t size, std::string& error) {
  if (size > mqtt::kMaxReceiveBufferBytes - PendingReceiveBytes()) {
    return Fail(error, mqtt::text::kReceiveBufferFull);
  }
  // Handled packets leave in one move per arrival, not one per packet or per
  // step of packets.
  if (consumed_ > 0) {
    received_.erase(received_.begin(), received_.begin() + static_cast<std::ptrdiff_t>(consumed_));
    consumed_ = 0;
  }
  received_.insert(received_.end(), data, data + size);
  return ReadPackets(error);
}

MqttStep MqttEngine::ReadPackets(std::string& error) {
  MqttStep step = MqttStep::kOk;
  for (size_t handled = 0; handled < mqtt::kMaxPacketsPerStep && consumed_ < received_.size(); ++handled) {
    uint64_t packetSize = 0;
    uint64_t headerSize = 0;
    const uint8_t* packet = received_.data() + consumed_;
    const int parsed = MqttParseFixedHeader(packet, received_.size() - consumed_, mqtt::kMaxPacketBytes,
                                            &packetSize, &headerSize);
    if (parsed == 0) break;
    if (parsed < 0) return Fail(error, mqtt::text::kBadPacket);
    consumed_ += packetSize;
    step = HandlePacket(packet, packetSize, headerSize, error);
    if (step != MqttStep::kOk) return step;
  }
  if (consumed_ == received_.size()) {
    received_.clear();
    consumed_ = 0;
  }
  return step;
}

bool MqttEngine::PacketsWaiting() const {
  uint64_t packetSize = 0;
  uint64_t headerSize = 0;
  // A malformed header waits too: ReadPackets ends the session on it.
  return MqttParseFixedHeader(received_.data() + consumed_, received_.size() - consumed_, mqtt::kMaxPacketBytes,
                              &packetSize, &headerSize) != 0;
}

MqttStep MqttEngine::HandleConnack(const uint8_t* packet, size_t size, size_t headerSize,
                                   std::string& error) {
  const uint8_t* body = packet + headerSize;
  if (packet[0] != kMqttConnack || size - headerSize != 2 || body[0] != 0x00) {
    return Fail(error, mqtt::text::kBadConnack);
  }
  if (body[1] != 0) return Fail(error, ConnackCodeText(body[1]));
  awaitingConnack_ = false;
  connected_ = true;
  host_.MarkConnected(false);
  host_.LogEvent(StatusEvent(std::string(mqtt::text::kConnected)));
  return MqttStep::kOk;
}

void MqttEngine::Deliver(std::string topic, uint8_t qos, bool retain, std::vector<uint8_t> payload) {
  host_.CountReceived(payload.size());
  host_.LogEvent(PayloadEvent(MqttEventKind::kMessage, std::move(topic), qos, retain, std::move(payload)));
}

MqttStep MqttEngine::HandlePublish(const uint8_t* packet, size_t size, size_t headerSize,
                                   std::string& error) {
  const uint8_t* body = packet + headerSize;
  const size_t remaining = size - headerSize;
  const uint8_t qos = (packet[0] >> 1) & 0x03;
  const bool retain = (packet[0] & 0x01) != 0;
  if (remaining < 2) return Fail(error, mqtt::text::kBadPublishTopic);
  const size_t topicLength = ReadU16(body);
  if (topicLength > remaining - 2) return Fail(error, mqtt::text::kBadPublishTopic);
  std::string topic(reinterpret_cast<const char*>(body + 2), topicLength);
  if (topic.find('\0') != std::string::npos || !MqttIsValidTopicName(topic.c_str())) {
    return Fail(error, mqtt::text::kBadPublishTopic);
  }
  if (qos == 3) return Fail(error, mqtt::text::kReservedQos);
  size_t offset = 2 + topicLength;
  uint16_t packetId = 0;
  if (qos > 0) {
    if (remaining - offset < 2) return Fail(error, mqtt::text::kPublishWithoutId);
    packetId = ReadU16(body + offset);
    offset += 2;
    if (packetId == 0) return Fail(error, mqtt::text::kSessionFailed);
  }
  const size_t payloadLength = remaining - offset;
  if (payloadLength > mqtt::kMaxInboundPayloadBytes) return Fail(error, mqtt::text::kInboundPayloadTooLarge);
  std::vector<uint8_t> payload(body + offset, body + remaining);

  if (qos == 0) {
    Deliver(std::move(topic), qos, retain, std::move(payload));
    return MqttStep::kOk;
  }
  if (qos == 1) {
    Deliver(std::move(topic), qos, retain, std::move(payload));
    return SendAck(kMqttPuback, packetId, error);
  }
  if (inbound_.count(packetId) == 0) {
    if (inbound_.size() >= mqtt::kMaxInboundQos2Messages ||
        payloadLength > mqtt::kMaxInboundQos2Bytes - inboundBytes_) {
      return Fail(error, mqtt::text::kInboundQos2Full);
    }
    inboundBytes_ += payloadLength;
    inbound_.emplace(packetId, MqttTrackedPublish{std::move(topic), qos, retain, std::move(payload)});
  }
  return SendAck(kMqttPubrec, packetId, error);
}

MqttStep MqttEngine::HandlePacket(const uint8_t* packet, size_t size, size_t headerSize,
                                  std::string& error) {
  if (awaitingConnack_) return HandleConnack(packet, size, headerSize, error);
  const uint8_t first = packet[0];
  const size_t remaining = size - headerSize;
  const uint8_t* body = packet + headerSize;
  const uint8_t type = first >> 4;
  switch (type) {
    case 3:
      return HandlePublish(packet, size, headerSize, error);
    case 6: {
      if (first != kMqttPubrel || remaining != 2) return Fail(error, mqtt::text::kBadPubrel);
      const uint16_t packetId = ReadU16(body);
      if (packetId == 0) return Fail(error, mqtt::text::kBadPubrelId);
      const auto held = inbound_.find(packetId);
      if (held != inbound_.end()) {
        MqttTrackedPublish message = std::move(held->second);
        inbound_.erase(held);
        inboundBytes_ -= message.payload.size();
        Deliver(std::move(message.topic), message.qos, message.retain, std::move(message.payload));
      }
      return SendAck(kMqttPubcomp, packetId, error);
    }
    case 4:
    case 5:
    case 7:
    case 11: {
      if ((first & 0x0F) != 0 || remaining != 2 || ReadU16(body) == 0) {
        return Fail(error, mqtt::text::kBadAck);
      }
      return HandleAck(ReadU16(body), type, -1, error);
    }
    case 9: {
      if (first != kMqttSuback || remaining != 3 || ReadU16(body) == 0 || body[2] > 2) {
        return Fail(error, mqtt::text::kBadSuback);
      }
      return HandleAck(ReadU16(body), type, body[2], error);
    }
    case 13:
      if (first != kMqttPingresp || remaining != 0) return Fail(error, mqtt::text::kBadPingresp);
      pingOutstanding_ = false;
      return MqttStep::kOk;
    default:
      return Fail(error, mqtt::text::kUnsupportedPacket);
  }
}

MqttStep MqttEngine::HandleAck(uint16_t packetId, uint8_t packetType, int subackCode, std::string& error) {
  const auto it = outbound_.find(packetId);
  if (it == outbound_.end()) return MqttStep::kOk;
  MqttTrackedEntry& entry = it->second;
  switch (packetType) {
    case 4:
      if (entry.kind == "publish" && entry.qos == 1) outbound_.erase(it);
      return MqttStep::kOk;
    case 5: {
      if ((entry.kind != "publish" && entry.kind != "pubrel") || entry.qos != 2) return MqttStep::kOk;
      const MqttStep step = SendAck(kMqttPubrel, packetId, error);
      if (step == MqttStep::kOk) entry.kind = "pubrel";
      // A PUBREL given up for a queued start or stop leaves the entry as it was.
      return step == MqttStep::kAborted ? MqttStep::kOk : step;
    }
    case 7:
      if (entry.kind == "pubrel") outbound_.erase(it);
      return MqttStep::kOk;
    case 9: {
      if (entry.kind != "subscribe" || subackCode < 0 || subackCode > 2) return MqttStep::kOk;
      const auto granted = static_cast<uint8_t>(subackCode);
      entry.qos = granted;
      if (!host_.AddSubscription(entry.topic, granted)) return Fail(error, mqtt::text::kSubscriptionLimit);
      host_.LogEvent(StatusEvent(StatusText(mqtt::text::kSubscribedPrefix, entry.topic)));
      outbound_.erase(it);
      return MqttStep::kOk;
    }
    case 11:
      if (entry.kind != "unsubscribe") return MqttStep::kOk;
      host_.RemoveSubscription(entry.topic);
      host_.LogEvent(StatusEvent(StatusText(mqtt::text::kUnsubscribedPrefix, entry.topic)));
      outbound_.erase(it);
      return MqttStep::kOk;
    default:
      return MqttStep::kOk;
  }
}

MqttStep MqttEngine::CheckTimers(std::string& error) {
  const int64_t now = host_.SteadyNowMs();
  if (awaitingConnack_) {
    if (now < connackDeadlineMs_) return MqttStep::kOk;
    ConnectionClosed();
    return Fail(error, mqtt::text::kConnackTimeout);
  }
  // A keep-alive of 0 switches the mechanism off.
  if (!connected_ || keepAlive_ == 0) return MqttStep::kOk;
  const int64_t k = keepAlive_;
  if (pingOutstanding_) {
    if (now - pingSentMs_ < k * 1000) return MqttStep::kOk;
    ConnectionClosed();
    return Fail(error, mqtt::text::kPingrespTimeout);
  }
  if (now - lastSendMs_ < k * 500) return MqttStep::kOk;
  uint8_t bytes[2] = {};
  MqttBuffer buffer{bytes, sizeof bytes, 0};
  if (!MqttEncodeHeaderOnly(kMqttPingreq, &buffer)) return Fail(error, mqtt::text::kEncodePacket);
  const MqttStep step = SendPacket(bytes, buffer.length, error);
  if (step == MqttStep::kOk) {
    pingOutstanding_ = true;
    pingSentMs_ = now;
  }
  return step;
}

}  // namespace nubo
