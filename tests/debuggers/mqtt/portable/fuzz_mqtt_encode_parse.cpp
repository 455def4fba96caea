// Any publish the encoder accepts parses back as one whole packet that the
// engine delivers with the same topic, QoS, retain flag and payload.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "debuggers/mqtt/mqtt_codec.h"
#include "tests/debuggers/mqtt/portable/fake_engine_host.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  const uint8_t qos = data[0] & 3;
  const int retain = data[0] >> 7;
  const uint16_t id = static_cast<uint16_t>(data[1] << 8 | data[2]);
  const size_t topicLength = data[3] < size - 4 ? data[3] : size - 4;
  // The codec takes NUL-terminated texts: a topic ends at its first NUL.
  const std::string topic = std::string(reinterpret_cast<const char*>(data + 4), topicLength).c_str();
  const uint8_t* payload = data + 4 + topicLength;
  const size_t payloadLength = size - 4 - topicLength;

  std::vector<uint8_t> bytes(size + 16);
  nubo::MqttBuffer buffer{bytes.data(), bytes.size(), 0};
  if (!nubo::MqttEncodePublish(id, topic.c_str(), payload, payloadLength, qos, retain, &buffer)) {
    if (buffer.length != 0) std::abort();
    return 0;
  }
  if (qos > 2 || (qos && !id)) std::abort();
  uint64_t packet = 0, header = 0;
  if (nubo::MqttParseFixedHeader(bytes.data(), buffer.length, ~0ull, &packet, &header) != 1 ||
      packet != buffer.length) {
    std::abort();
  }
  nubo::testing::FakeEngineHost host;
  nubo::MqttEngine engine(host);
  nubo::MqttConnectOptions options;
  options.clientId = "c";
  std::string error;
  const uint8_t connack[] = {0x20, 0x02, 0x00, 0x00};
  if (engine.SendConnect(options, error) != nubo::MqttStep::kOk ||
      engine.Receive(connack, sizeof connack, error) != nubo::MqttStep::kOk) {
    std::abort();
  }
  host.events.clear();
  if (engine.Receive(bytes.data(), buffer.length, error) != nubo::MqttStep::kOk) std::abort();
  if (qos == 2) {
    const uint8_t pubrel[] = {0x62, 0x02, static_cast<uint8_t>(id >> 8), static_cast<uint8_t>(id)};
    if (engine.Receive(pubrel, sizeof pubrel, error) != nubo::MqttStep::kOk) std::abort();
  }
  if (host.events.size() != 1) std::abort();
  const nubo::MqttEvent& event = host.events[0];
  if (event.topic != topic || event.qos != qos || event.retain != (retain != 0) ||
      event.payload != std::vector<uint8_t>(payload, payload + payloadLength)) {
    std::abort();
  }
  return 0;
}
