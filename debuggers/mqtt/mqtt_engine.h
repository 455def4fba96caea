#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "debuggers/mqtt/mqtt_types.h"

namespace nubo {

// How a step of the engine ended. kFailed carries a text for the session's
// failure; kAborted (no text) means a send gave way to a queued start or stop
// or to the service's stop: the caller closes the connection silently.
enum class MqttStep { kOk, kFailed, kAborted };

// What the engine needs from the service that drives it. Called only from
// the thread that calls the engine; each call that touches shared state takes
// the service's state mutex itself.
class MqttEngineHost {
 public:
  virtual ~MqttEngineHost() = default;
  // Writes one whole packet to the connection. kFailed with the transport's
  // text, kAborted without one.
  virtual MqttStep Send(const uint8_t* data, size_t size, std::string& error) = 0;
  // Steady clock, milliseconds.
  virtual int64_t SteadyNowMs() = 0;
  // CONNACK accepted: state "connected" and sessionPresent.
  virtual void MarkConnected(bool sessionPresent) = 0;
  // SUBACK: map[filter] = qos when the filter is already there or the map
  // holds fewer than 128 filters, true; else false and nothing changes.
  virtual bool AddSubscription(const std::string& filter, uint8_t grantedQos) = 0;
  // UNSUBACK.
  virtual void RemoveSubscription(const std::string& filter) = 0;
  // rxMessages + 1, rxBytes + payloadBytes (a delivered inbound message).
  virtual void CountReceived(uint64_t payloadBytes) = 0;
  // txMessages + 1, txBytes + payloadBytes (a PUBLISH written).
  virtual void CountSent(uint64_t payloadBytes) = 0;
  // Offers one event to the event log (the service stamps and bounds it).
  virtual void LogEvent(MqttEvent event) = 0;
};

// A sent packet awaiting its acknowledgement.
struct MqttTrackedEntry {
  std::string kind;  // "publish", "pubrel", "subscribe", "unsubscribe"
  std::string topic;
  uint8_t qos = 0;
};

// A received QoS 2 message held from its PUBLISH until its PUBREL.
struct MqttTrackedPublish {
  std::string topic;
  uint8_t qos = 2;
  bool retain = false;
  std::vector<uint8_t> payload;
};

// The MQTT protocol over one connection at a time: CONNECT, the commands'
// packets, the receive buffer, every incoming packet, the QoS 1 and 2
// exchanges and the keep-alive timers. Portable: the bytes go out through the
// host, and the host feeds in what the connection received.
class MqttEngine {
 public:
  explicit MqttEngine(MqttEngineHost& host) : host_(host) {}

  // A new start, a stop or the service's stop: forgets the outbound map, the
  // inbound QoS 2 map, the ping flag, the receive buffer and the connection
  // flags. The packet-id counter is kept.
  void Reset();

  // Encodes CONNECT from the options and sends it; the options' password is
  // wiped either way. On success the engine awaits CONNACK for 10 s.
  MqttStep SendConnect(MqttConnectOptions& options, std::string& error);

  // A "publish", "subscribe" or "unsubscribe" command: discarded (kOk)
  // unless a CONNACK was accepted on this connection; refused with "MQTT
  // 等待确认的数据包过多。" unless Ready. A publish's payload moves into its
  // "published" event.
  MqttStep SendCommand(MqttCommand command, std::string& error);

  // Bytes the connection delivered: appended to the receive buffer (at most
  // 1 MiB without a whole packet), then whole packets are handled as
  // ReadPackets does.
  MqttStep Receive(const uint8_t* data, size_t size, std::string& error);

  // CONNACK deadline, PINGREQ after half the keep-alive without a send,
  // PINGRESP deadline of the whole keep-alive.
  MqttStep CheckTimers(std::string& error);

  // The connection is gone (failure or close): the flags go off; the maps
  // keep their entries until the next Reset.
  void ConnectionClosed();

  bool AwaitingConnack() const { return awaitingConnack_; }
  bool Connected() const { return connected_; }

  // Handles at most kMaxPacketsPerStep whole packets, so that the caller's
  // queued commands are not starved by a flood; PacketsWaiting() then tells
  // it to call again before it reads more.
  MqttStep ReadPackets(std::string& error);
  bool PacketsWaiting() const;
  // A subscribe, an unsubscribe, a publish with QoS 1 or 2.
  static bool NeedsPacketId(const MqttCommand& command);
  // False while the command needs a packet id and 128 packets await their
  // acknowledgement: it waits in the caller's queue until one arrives.
  bool Ready(const MqttCommand& command) const;

  // The packet side, open to the service and to tests.
  MqttStep HandlePacket(const uint8_t* packet, size_t size, size_t headerSize, std::string& error);
  // packetType: the high nibble (4 PUBACK, 5 PUBREC, 7 PUBCOMP, 9 SUBACK,
  // 11 UNSUBACK); subackCode: the granted QoS of a SUBACK, else -1.
  MqttStep HandleAck(uint16_t packetId, uint8_t packetType, int subackCode, std::string& error);
  // Next id after the counter, wrapping 65535 -> 1, skipping held ids.
  uint16_t AllocatePacketId();

  const std::map<uint16_t, MqttTrackedEntry>& Outbound() const { return outbound_; }
  const std::map<uint16_t, MqttTrackedPublish>& InboundQos2() const { return inbound_; }
  uint64_t InboundQos2Bytes() const { return inboundBytes_; }
  bool PingOutstanding() const { return pingOutstanding_; }
  size_t PendingReceiveBytes() const { return received_.size() - consumed_; }

 private:
  MqttStep SendPacket(const uint8_t* data, size_t size, std::string& error);
  MqttStep SendAck(uint8_t firstByte, uint16_t packetId, std::string& error);
  MqttStep HandleConnack(const uint8_t* packet, size_t size, size_t headerSize, std::string& error);
  MqttStep HandlePublish(const uint8_t* packet, size_t size, size_t headerSize, std::string& error);
  void Deliver(std::string topic, uint8_t qos, bool retain, std::vector<uint8_t> payload);

  MqttEngineHost& host_;
  uint16_t packetIdCounter_ = 0;
  std::map<uint16_t, MqttTrackedEntry> outbound_;
  std::map<uint16_t, MqttTrackedPublish> inbound_;
  uint64_t inboundBytes_ = 0;
  bool pingOutstanding_ = false;
  int64_t lastSendMs_ = 0;
  int64_t pingSentMs_ = 0;
  int64_t connackDeadlineMs_ = 0;
  uint16_t keepAlive_ = 0;
  bool awaitingConnack_ = false;
  bool connected_ = false;
  // Received bytes; those before consumed_ are handled packets, dropped in
  // one move when more bytes arrive or when every packet is handled.
  std::vector<uint8_t> received_;
  size_t consumed_ = 0;
};

}  // namespace nubo
