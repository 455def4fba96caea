// Any byte stream after a CONNACK: fed in chunks it gives exactly what it
// gives fed at once (outcome, text, sends, events, what is left pending),
// each feed handling what waits as the worker does.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "debuggers/mqtt/mqtt_event_log.h"
#include "tests/debuggers/mqtt/portable/fake_engine_host.h"

namespace {

struct Run {
  nubo::testing::FakeEngineHost host;
  nubo::MqttEngine engine{host};
  std::string error;
  nubo::MqttStep step = nubo::MqttStep::kOk;

  Run() {
    nubo::MqttConnectOptions options;
    options.clientId = "c";
    const uint8_t connack[] = {0x20, 0x02, 0x00, 0x00};
    if (engine.SendConnect(options, error) != nubo::MqttStep::kOk ||
        engine.Receive(connack, sizeof connack, error) != nubo::MqttStep::kOk) {
      std::abort();
    }
  }
  void Feed(const uint8_t* data, size_t size) {
    if (step == nubo::MqttStep::kOk) step = engine.Receive(data, size, error);
    while (step == nubo::MqttStep::kOk && engine.PacketsWaiting()) step = engine.ReadPackets(error);
  }
};

std::vector<std::string> Texts(const std::vector<nubo::MqttEvent>& events) {
  std::vector<std::string> texts;
  for (const nubo::MqttEvent& event : events) texts.push_back(nubo::MqttEventToJson(event).dump());
  return texts;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const size_t chunk = data[0] % 7 + 1;
  Run whole, chunked;
  whole.Feed(data + 1, size - 1);
  for (size_t at = 1; at < size; at += chunk) chunked.Feed(data + at, size - at < chunk ? size - at : chunk);
  if (whole.step != chunked.step || whole.error != chunked.error || whole.host.sent != chunked.host.sent ||
      Texts(whole.host.events) != Texts(chunked.host.events)) {
    std::abort();
  }
  if (whole.step == nubo::MqttStep::kOk &&
      whole.engine.PendingReceiveBytes() != chunked.engine.PendingReceiveBytes()) {
    std::abort();
  }
  return 0;
}
