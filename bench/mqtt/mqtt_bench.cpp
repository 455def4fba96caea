// Figures of the MQTT client against mosquitto, each beside mosquitto's own
// clients on the same broker in the same run:
//   ingest of a mosquitto_pub flood (16 B, 1 KiB, 64 KiB; plain and TLS; and
//   16 B at QoS 1, whose every message the client acknowledges), how long a
//   command queued under a scripted broker's torrent of QoS 1 publishes
//   waits, publishes through the route per second, and start to "connected".
// Run through bench/mqtt/run (Wine, private loopback-only namespace).

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "debuggers/mqtt/mqtt_requests.h"
#include "debuggers/mqtt/mqtt_service.h"
#include "tests/debuggers/mqtt/support/mqtt_peer.h"
#include "tests/debuggers/mqtt/support/mqtt_session.h"
#include "ui_bridge/device_routes.h"
#include "ui_bridge/messages.h"

namespace nubo {
namespace {

using Clock = std::chrono::steady_clock;
using Json = nlohmann::json;
using testing::MqttPeer;
using testing::MqttSession;

constexpr auto kWarmUp = std::chrono::milliseconds(700);
constexpr auto kMeasure = std::chrono::seconds(3);
constexpr auto kPollEvery = std::chrono::milliseconds(100);  // as the workbench polls

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }
double Mib(double bytes) { return bytes / (1024.0 * 1024.0); }

bool Connect(MqttSession& session, MqttPeer& peer, bool tls) {
  session.Start(tls ? "localhost" : "127.0.0.1", tls ? peer.broker().tls : peer.broker().plain, tls);
  return session.WaitForState("connected");
}

// Polls as the workbench does for a while.
void PollFor(MqttSession& session, Clock::duration span) {
  const auto end = Clock::now() + span;
  while (Clock::now() < end) {
    session.Request("poll");
    std::this_thread::sleep_for(kPollEvery);
  }
}

void Ingest(MqttPeer& peer, bool tls, size_t size, int qos = 0) {
  MqttService service;
  MqttSession session(service);
  const std::string topic = "flood/" + std::to_string(size) + "/" + std::to_string(qos);
  if (!Connect(session, peer, tls)) return;
  const std::string port = std::to_string(peer.broker().plain);
  const std::string level = std::to_string(qos);
  session.Subscribe(topic, qos);
  const std::string counter = peer.Call("count " + port + " " + topic + " " + level);
  peer.Call("flood " + port + " " + topic + " " + std::to_string(size) + " " +
            std::to_string(Seconds(kWarmUp + kMeasure) + 1.0) + " " + level);
  PollFor(session, kWarmUp);
  const auto start = Clock::now();
  const double ourFirst = session.Request("poll")["snapshot"]["rxBytes"].get<double>();
  const double theirFirst = std::stod(peer.Call("counted " + counter));
  while (Clock::now() - start < kMeasure) {
    SerializeMessage(session.Request("poll"));  // as the workbench would receive it
    std::this_thread::sleep_for(kPollEvery);
  }
  const double ourBytes = session.Request("poll")["snapshot"]["rxBytes"].get<double>() - ourFirst;
  const double theirBytes = std::stod(peer.Call("counted " + counter)) - theirFirst;
  const double elapsed = Seconds(Clock::now() - start);
  const double ratio = theirBytes > 0 ? ourBytes / theirBytes : 0;
  std::printf("ingest %-5s %6zu B   session %9.0f msg/s %8.2f MiB/s   mosquitto_sub %9.0f msg/s %8.2f MiB/s   %.2fx\n",
              tls ? "TLS" : qos > 0 ? "QoS 1" : "plain", size, ourBytes / size / elapsed, Mib(ourBytes) / elapsed,
              theirBytes / size / elapsed, Mib(theirBytes) / elapsed, ratio);
  std::this_thread::sleep_for(std::chrono::seconds(1));  // the flood ends
}

// From a publish request to its packet written (txMessages), while the
// session takes QoS 1 publishes of 16 bytes as fast as it reads them (a
// scripted broker writing them one batch after another).
void QueuedCommandUnderFlood(MqttPeer& peer) {
  MqttService service;
  MqttSession session(service);
  session.Start("127.0.0.1", peer.Number("script torrent"), false);
  if (!session.WaitForState("connected")) return;
  PollFor(session, kWarmUp);
  std::vector<double> waits;
  for (int i = 0; i < 15; ++i) {
    const double before = session.Request("poll")["snapshot"]["txMessages"].get<double>();
    const auto start = Clock::now();
    session.Publish("probe", "01", 0);
    while (session.Request("poll")["snapshot"]["txMessages"].get<double>() == before &&
           Clock::now() - start < std::chrono::seconds(15)) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    waits.push_back(Seconds(Clock::now() - start) * 1000);
    std::this_thread::sleep_for(kPollEvery);
  }
  std::sort(waits.begin(), waits.end());
  std::printf("queued command under QoS 1 flood   median %.0f ms (max %.0f ms)\n", waits[waits.size() / 2],
              waits.back());
}

void PublishThroughRoute(MqttPeer& peer, size_t size) {
  MqttService mqtt;
  MqttSession session(mqtt);
  if (!Connect(session, peer, false)) return;
  const int port = peer.broker().plain;
  const std::string topic = "route/" + std::to_string(size);
  const std::string counter = peer.Call("count " + std::to_string(port) + " " + topic);
  const std::string text = SerializeMessage(Json{
      {"type", "mqtt.publish"},
      {"payload", {{"requestId", "b1"}, {"topic", topic}, {"dataHex", std::string(size * 2, '6')}, {"qos", 0},
                   {"retain", false}}}});
  const std::string type = "mqtt.publish";
  Clock::duration parsing{};
  Clock::duration checking{};
  uint64_t accepted = 0;
  const double first = std::stod(peer.Call("counted " + counter));
  const auto start = Clock::now();
  while (Clock::now() - start < kMeasure) {
    const auto t0 = Clock::now();
    const Json document = Json::parse(text);
    const auto t1 = Clock::now();
    MqttParsePublish(document["payload"]);  // the request's own field checks, timed alone
    const auto t2 = Clock::now();
    const RouteRequest request{type, document["payload"], text.size(), GateFacts{true, true, false}};
    Json reply = DeviceGate(request);
    if (reply.is_null()) reply = RouteDeviceRequest(mqtt, request);
    SerializeMessage(reply);
    parsing += t1 - t0;
    checking += t2 - t1;
    if (reply["type"] == "mqtt.publish.result") {
      ++accepted;
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));  // the queue is full
    }
  }
  const double elapsed = Seconds(Clock::now() - start);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  const double delivered = (std::stod(peer.Call("counted " + counter)) - first) / size;
  const double routeSeconds = elapsed;
  std::printf("route publish %6zu B   %9.0f req/s accepted, %9.0f msg/s delivered   JSON parse %4.1f%%, field checks %4.1f%% "
              "of the loop; a request takes %.2fx its parse\n",
              size, accepted / elapsed, delivered / elapsed, 100.0 * Seconds(parsing) / routeSeconds,
              100.0 * Seconds(checking) / routeSeconds, Seconds(parsing) > 0 ? routeSeconds / Seconds(parsing) : 0);
  // mosquitto_pub's own rate on the same broker, counted the same way.
  const std::string theirs = peer.Call("count " + std::to_string(port) + " " + topic + "/pub");
  const double theirFirst = std::stod(peer.Call("counted " + theirs));
  peer.Call("flood " + std::to_string(port) + " " + topic + "/pub " + std::to_string(size) + " " +
            std::to_string(Seconds(kMeasure)));
  std::this_thread::sleep_for(kMeasure + std::chrono::milliseconds(700));
  const double theirRate = (std::stod(peer.Call("counted " + theirs)) - theirFirst) / size / Seconds(kMeasure);
  std::printf("              %6zu B   mosquitto_pub %9.0f msg/s delivered   %.2fx\n", size, theirRate,
              theirRate > 0 ? delivered / elapsed / theirRate : 0);
}

void StartToConnected(MqttPeer& peer, bool tls) {
  std::vector<double> times;
  for (int i = 0; i < 5; ++i) {
    MqttService service;
    MqttSession session(service);
    const auto start = Clock::now();
    if (!Connect(session, peer, tls)) return;
    times.push_back(Seconds(Clock::now() - start) * 1000);
  }
  std::sort(times.begin(), times.end());
  std::printf("start to connected %-5s   median %.1f ms (min %.1f, max %.1f, 20 ms poll steps)\n",
              tls ? "TLS" : "plain", times[2], times.front(), times.back());
}

}  // namespace
}  // namespace nubo

int main() {
  using namespace nubo;
  MqttPeer peer;
  testing::TrustTestCa(peer.broker().folder);
  std::printf("MQTT client beside mosquitto's clients on one mosquitto 2.0 broker (loopback, Wine)\n");
  for (const bool tls : {false, true}) {
    for (const size_t size : {size_t{16}, size_t{1024}, size_t{65536}}) Ingest(peer, tls, size);
  }
  Ingest(peer, false, 16, 1);
  QueuedCommandUnderFlood(peer);
  for (const size_t size : {size_t{16}, size_t{65536}}) PublishThroughRoute(peer, size);
  StartToConnected(peer, false);
  StartToConnected(peer, true);
  return 0;
}
