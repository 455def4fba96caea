// Figures of the network debugger under a flood, printed side by side:
//   TCP receive ingest of a session against a socat relay of the same flood,
//   UDP datagrams per second, stop and queued-send latency under flood, stop
//   and refusal latency without one, broadcast to 32 peers.
// Run through bench/network/run (Wine, private loopback-only namespace).

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "debuggers/network/network_service.h"
#include "tests/debuggers/common/support/fake_resolver.h"
#include "tests/debuggers/network/support/flood.h"
#include "tests/debuggers/network/support/python_peer.h"
#include "tests/debuggers/network/support/route_session.h"
#include "ui_bridge/messages.h"

namespace nubo {
namespace {

using Clock = std::chrono::steady_clock;
using testing::Json;
using testing::PythonPeer;
using testing::RouteSession;

constexpr auto kWarmUp = std::chrono::milliseconds(500);
constexpr auto kMeasure = std::chrono::seconds(3);
constexpr auto kPollEvery = std::chrono::milliseconds(100);  // as the workbench polls
constexpr int kIngestRounds = 5;
// The goals the tests no longer time: a stop, a queued send or the end of a
// service within 200 ms (one 20 ms readiness wait and one bounded read pass,
// with room for scheduling), a refused connect seen within 1 s.
constexpr int kPromptLimitMs = 200;
constexpr int kRefusalLimitMs = 1000;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }
double Mib(double bytes) { return bytes / (1024.0 * 1024.0); }

// Polls through the route and serialises the reply, as the workbench would,
// for the measuring time; the counter's growth per second.
template <typename Counter>
double MeasureWhilePolling(RouteSession& session, Counter counter) {
  const auto warm = Clock::now() + kWarmUp;
  while (Clock::now() < warm) {
    SerializeMessage(session.Poll());
    std::this_thread::sleep_for(kPollEvery);
  }
  const auto start = Clock::now();
  const double first = static_cast<double>(counter());
  while (Clock::now() - start < kMeasure) {
    SerializeMessage(session.Poll());
    session.ForgetEvents();
    std::this_thread::sleep_for(kPollEvery);
  }
  return (static_cast<double>(counter()) - first) / Seconds(Clock::now() - start);
}

bool StartUnixProgram(const std::wstring& program, std::wstring commandLine) {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  const BOOL started = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                      nullptr, &startup, &process);
  if (process.hProcess != nullptr) CloseHandle(process.hProcess);
  if (process.hThread != nullptr) CloseHandle(process.hThread);
  return started != FALSE;
}

// socat relays the peer's flood into a counting sink; bytes per second.
double SocatRelayRate(PythonPeer& peer) {
  const std::vector<std::string> flood = peer.Words("listen 8 flood");
  const std::vector<std::string> sink = peer.Words("listen 8 count");
  const std::wstring command = L"/usr/bin/socat -u -b 262144 TCP:127.0.0.1:" + std::wstring(flood[1].begin(), flood[1].end()) +
                               L" TCP:127.0.0.1:" + std::wstring(sink[1].begin(), sink[1].end());
  if (!StartUnixProgram(L"Z:\\usr\\bin\\socat", command)) return 0;
  const std::string sinkConnection = peer.Words("accepted " + sink[0] + " 1 5000").at(0);
  const std::string floodConnection = peer.Words("accepted " + flood[0] + " 1 5000").at(0);
  std::this_thread::sleep_for(kWarmUp);
  const auto start = Clock::now();
  const double first = std::stod(peer.Call("total " + sinkConnection));
  std::this_thread::sleep_for(kMeasure);
  const double last = std::stod(peer.Call("total " + sinkConnection));
  const double rate = (last - first) / Seconds(Clock::now() - start);
  peer.Call("close " + floodConnection);  // socat ends at the end of its input
  return rate;
}

double SessionIngestRate(PythonPeer& peer) {
  NetworkService service;
  RouteSession session(service);
  const std::string port = peer.Words("listen 8 flood").at(1);
  session.Start(testing::SessionMembers("tcp-client", "", 0, "127.0.0.1", std::stoi(port)));
  if (!session.WaitForState("connected")) return 0;
  return MeasureWhilePolling(session, [&] { return service.GetSnapshot().rxBytes; });
}

struct UdpFigures {
  double received;
  double offered;
};

UdpFigures UdpRate(PythonPeer& peer, int datagramBytes) {
  NetworkService service;
  RouteSession session(service);
  const std::string target = peer.Words("udp 127.0.0.1").at(1);
  session.Start(testing::SessionMembers("udp", "", 0, "127.0.0.1", std::stoi(target)));
  if (!session.WaitForState("ready")) return {0, 0};
  peer.Call("flood udp " + std::to_string(session.snapshot()["localPort"].get<int>()) + " " +
            std::to_string(datagramBytes));
  const auto start = Clock::now();
  const double received = MeasureWhilePolling(session, [&] { return service.GetSnapshot().rxPackets; });
  const double offered = std::stod(peer.Call("stopflood")) / Seconds(Clock::now() - start);
  return {received, offered};
}

double MsSince(Clock::time_point start) { return Seconds(Clock::now() - start) * 1000.0; }

// What a session of the mode takes, in a flood, to stop, or to send a queued
// datagram or segment (ms), sorted; the same floods as the tests'.
std::vector<double> FloodedLatencies(PythonPeer& peer, const std::string& mode, bool send, int rounds) {
  std::vector<double> latencies;
  for (int round = 0; round < rounds; ++round) {
    NetworkService service;
    RouteSession session(service);
    if (testing::StartFloodedSession(peer, session, mode) && testing::WaitForFlood(service, mode)) {
      const auto start = Clock::now();
      if (send) {
        session.Send("abcd");
        while (service.GetSnapshot().txPackets == 0 && Clock::now() - start < std::chrono::seconds(10)) {
          std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
      } else {
        session.Stop();
      }
      latencies.push_back(MsSince(start));
    }
    session.Stop();
    peer.Call("stopflood");
  }
  std::sort(latencies.begin(), latencies.end());
  return latencies;
}

std::vector<double> ManyFloodersStopLatencies(PythonPeer& peer, int rounds) {
  std::vector<double> latencies;
  for (int round = 0; round < rounds; ++round) {
    NetworkService service;
    RouteSession session(service);
    if (!testing::StartServerFloodedByMany(peer, session, service)) continue;
    const auto start = Clock::now();
    session.Stop();
    latencies.push_back(MsSince(start));
  }
  std::sort(latencies.begin(), latencies.end());
  return latencies;
}

// Without a flood: a stop while the target's name is still being resolved,
// the end of a service whose connect is pending, and how soon a refused
// connect shows as the session's error (ms), sorted.
struct QuietFigures {
  std::vector<double> stopResolving, endConnecting, refusalSeen;
};

QuietFigures QuietLatencies(PythonPeer& peer, int rounds) {
  QuietFigures figures;
  const std::string fullPort = peer.Words("listen 0 full").at(1);
  for (int round = 0; round < rounds; ++round) {
    testing::ResetFakeResolver();
    {
      NetworkService service(testing::FakeResolver());
      RouteSession session(service);
      session.Start(testing::SessionMembers("tcp-client", "", 0, "silent.test", 9));
      session.PollUntil([] { return testing::PendingLookups() == 1; });
      const auto start = Clock::now();
      session.Stop();
      figures.stopResolving.push_back(MsSince(start));
    }
    testing::CompletePendingLookups(WSAECANCELLED);
    {
      auto service = std::make_unique<NetworkService>();
      RouteSession session(*service);
      session.Start(testing::SessionMembers("tcp-client", "", 0, "127.0.0.1", std::stoi(fullPort)));
      session.WaitForState("connecting");
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      const auto start = Clock::now();
      service.reset();
      figures.endConnecting.push_back(MsSince(start));
    }
    NetworkService service;
    RouteSession session(service);
    const auto start = Clock::now();
    session.Start(testing::SessionMembers("tcp-client", "", 0, "127.0.0.1", peer.Number("closedport")));
    session.PollUntil([&] { return session.State() == "error"; }, 15000);
    figures.refusalSeen.push_back(MsSince(start));
  }
  for (std::vector<double>* list : {&figures.stopResolving, &figures.endConnecting, &figures.refusalSeen}) {
    std::sort(list->begin(), list->end());
  }
  return figures;
}

struct BroadcastFigures {
  double firstCopyMs;  // one 64 KiB broadcast until all 32 copies left
  double rate;         // bytes per second to all peers for back-to-back broadcasts
};

BroadcastFigures Broadcast(PythonPeer& peer) {
  constexpr uint64_t kCopyBytes = 32ull * 65536;
  constexpr int kRounds = 200;
  NetworkService service;
  RouteSession session(service);
  session.Start(testing::SessionMembers("tcp-server", "", 0, "", 0));
  session.WaitForState("listening");
  peer.Call("connect " + std::to_string(session.snapshot()["localPort"].get<int>()) + " 32 0 0 0");  // counting
  session.PollUntil([&] { return session.snapshot()["peers"].size() == 32; });
  const std::string chunk = testing::CountingHex(65536);
  auto lastPoll = Clock::now();
  const auto waitFor = [&](uint64_t txBytes) {
    while (service.GetSnapshot().txBytes < txBytes) {
      if (Clock::now() - lastPoll >= kPollEvery) {
        SerializeMessage(session.Poll());
        session.ForgetEvents();
        lastPoll = Clock::now();
      }
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
  };
  auto start = Clock::now();
  session.Send(chunk);
  waitFor(kCopyBytes);
  const double firstMs = Seconds(Clock::now() - start) * 1000.0;

  // One broadcast may be under way while the next is queued: two fit the
  // 4 MiB of pending bytes, a third would be refused.
  start = Clock::now();
  for (int i = 1; i <= kRounds; ++i) {
    waitFor(kCopyBytes * (i - 1));
    service.Send(chunk, 0);
  }
  waitFor(kCopyBytes * (kRounds + 1));
  return {firstMs, static_cast<double>(kRounds * kCopyBytes) / Seconds(Clock::now() - start)};
}

// One line of latencies beside the goal they are held to.
void PrintLatencies(const char* label, const std::vector<double>& ms, const char* what, int limitMs) {
  if (ms.empty()) {
    std::printf("  %-34s (no %s measured, limit %d ms)\n", label, what, limitMs);
    return;
  }
  std::printf("  %-34s median %6.1f ms   max %6.1f ms   (%zu %s, limit %d ms)\n", label, ms[ms.size() / 2],
              ms.back(), ms.size(), what, limitMs);
}

int Run() {
  PythonPeer peer;
  std::printf("Network debugger benchmark (Wine, loopback only)\n\n");

  std::setvbuf(stdout, nullptr, _IONBF, 0);
  // Alternate the two so that both see the same load of the machine.
  std::vector<double> socat;
  std::vector<double> session;
  for (int round = 0; round < kIngestRounds; ++round) {
    socat.push_back(SocatRelayRate(peer));
    session.push_back(SessionIngestRate(peer));
  }
  std::sort(socat.begin(), socat.end());
  std::sort(session.begin(), session.end());
  const double socatMedian = socat[kIngestRounds / 2];
  const double sessionMedian = session[kIngestRounds / 2];
  std::printf("TCP receive ingest of the same Python flood (64 KiB writes), median of %d rounds\n", kIngestRounds);
  std::printf("  %-34s %9.1f MiB/s   (%.0f to %.0f)\n", "socat relay (native, to a sink)", Mib(socatMedian),
              Mib(socat.front()), Mib(socat.back()));
  std::printf("  %-34s %9.1f MiB/s   (%.0f to %.0f)   ratio %.2fx (goal >= 0.8x)\n", "session, polled every 100 ms",
              Mib(sessionMedian), Mib(session.front()), Mib(session.back()),
              socatMedian > 0 ? sessionMedian / socatMedian : 0.0);

  std::printf("\nUDP datagrams received by a session (polled every 100 ms)\n");
  for (int bytes : {64, 1024}) {
    const UdpFigures udp = UdpRate(peer, bytes);
    std::printf("  %4d-byte datagrams               %9.0f /s received   %9.0f /s offered\n", bytes, udp.received,
                udp.offered);
  }

  struct Flood {
    const char* mode;
    const char* label;
  };
  const Flood floods[] = {{"tcp-client", "TCP client, flooded by its target"},
                          {"tcp-server", "TCP server, flooded by its client"},
                          {"udp", "UDP, flooded with 512-byte datagrams"}};
  for (const bool send : {false, true}) {
    std::printf(send ? "\nQueued send under flood (network.send until the bytes have left)\n"
                     : "\nStop latency under flood (network.stop through the route)\n");
    for (const Flood& flood : floods) {
      PrintLatencies(flood.label, FloodedLatencies(peer, flood.mode, send, 7), send ? "sends" : "stops",
                     kPromptLimitMs);
    }
    if (!send) {
      PrintLatencies("TCP server, 32 clients flooding", ManyFloodersStopLatencies(peer, 3), "stops", kPromptLimitMs);
    }
  }

  const QuietFigures quiet = QuietLatencies(peer, 7);
  std::printf("\nWithout a flood\n");
  PrintLatencies("stop while the name is resolving", quiet.stopResolving, "stops", kPromptLimitMs);
  PrintLatencies("end of a service while connecting", quiet.endConnecting, "ends", kPromptLimitMs);
  PrintLatencies("refused connect seen as the error", quiet.refusalSeen, "starts", kRefusalLimitMs);

  const BroadcastFigures broadcast = Broadcast(peer);
  std::printf("\nBroadcast to 32 reading peers (64 KiB each)\n");
  std::printf("  %-34s %9.1f ms\n", "one broadcast, all 32 copies sent", broadcast.firstCopyMs);
  std::printf("  %-34s %9.1f MiB/s total\n", "200 broadcasts back to back", Mib(broadcast.rate));
  return 0;
}

}  // namespace
}  // namespace nubo

int main() {
  try {
    return nubo::Run();
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "benchmark failed: %s\n", failure.what());
    return 1;
  }
}
