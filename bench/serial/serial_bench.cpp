// Figures of the serial debugger on a pty-backed COM port, side by side:
//   ingest of a peer's flood through the debugger (polled as the workbench
//   polls) beside a bare overlapped-read loop on the same port, sending 1 MiB
//   to a fast reader, and the stop latency during a flood.
// Run through bench/serial/run, which adds socat's native copy of the pty.

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "debuggers/serial/serial_port.h"
#include "debuggers/serial/serial_service.h"
#include "store/win_handles.h"
#include "tests/debuggers/network/support/python_peer.h"
#include "tests/debuggers/network/support/route_session.h"
#include "tests/debuggers/serial/support/serial_session.h"
#include "ui_bridge/messages.h"

namespace nubo {
namespace {

using Clock = std::chrono::steady_clock;
using testing::Json;

constexpr auto kWarmUp = std::chrono::milliseconds(500);
constexpr auto kMeasure = std::chrono::seconds(3);
constexpr auto kPollEvery = std::chrono::milliseconds(100);  // as the workbench polls

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }
double Mb(double bytes) { return bytes / 1e6; }

double DebuggerIngest(testing::PythonPeer& peer) {
  SerialService service;
  testing::SerialSession session(service);
  session.Start("COM1");
  if (!session.WaitForState("open")) return -1;
  peer.Call("open 1 flood");
  const auto warm = Clock::now() + kWarmUp;
  while (Clock::now() < warm) {
    SerializeMessage(session.Poll());
    std::this_thread::sleep_for(kPollEvery);
  }
  const auto start = Clock::now();
  const double first = session.snapshot()["rxBytes"].get<double>();
  while (Clock::now() - start < kMeasure) {
    SerializeMessage(session.Poll());
    std::this_thread::sleep_for(kPollEvery);
  }
  const double rate = (session.snapshot()["rxBytes"].get<double>() - first) / Seconds(Clock::now() - start);
  peer.Call("stopflood 1");
  peer.Call("close 1");
  return rate;
}

// The platform's own limit here: one overlapped 16 KiB read after another,
// waiting on its event, with the debugger's time-outs.
double BareReadLoop(testing::PythonPeer& peer) {
  FileHandle port(CreateFileW(L"\\\\.\\COM1", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OVERLAPPED, nullptr));
  EventHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!port || !event) return -1;
  COMMTIMEOUTS timeouts{MAXDWORD, 0, 30, 0, 1000};
  SetCommTimeouts(port.get(), &timeouts);
  peer.Call("open 1 flood");
  std::vector<uint8_t> buffer(16384);
  double bytes = 0;
  const auto warm = Clock::now() + kWarmUp;
  Clock::time_point start{};
  for (bool measuring = false;;) {
    const auto now = Clock::now();
    if (!measuring && now >= warm) {
      measuring = true;
      start = now;
      bytes = 0;
    }
    if (measuring && now - start >= kMeasure) break;
    OVERLAPPED overlapped{};
    overlapped.hEvent = event.get();
    ResetEvent(event.get());
    DWORD count = 0;
    if (!ReadFile(port.get(), buffer.data(), 16384, &count, &overlapped)) {
      const DWORD error = GetLastError();
      if (error == ERROR_IO_PENDING) {
        GetOverlappedResult(port.get(), &overlapped, &count, TRUE);
      } else if (error == ERROR_TIMEOUT) {
        count = static_cast<DWORD>(overlapped.InternalHigh);
      } else {
        return -1;
      }
    }
    bytes += count;
  }
  const double rate = bytes / Seconds(Clock::now() - start);
  peer.Call("stopflood 1");
  peer.Call("close 1");
  return rate;
}

double SendMib(testing::PythonPeer& peer) {
  SerialService service;
  testing::SerialSession session(service);
  peer.Call("open 1 read");
  session.Start("COM1");
  if (!session.WaitForState("open")) return -1;
  const std::string chunk = testing::CountingHex(65536);
  const auto start = Clock::now();
  for (int sent = 0; sent < 16;) {
    if (session.Send(chunk)["type"] == "serial.send.result") {
      ++sent;
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  peer.Call("total 1 1048576 60");
  const double rate = 1048576.0 / Seconds(Clock::now() - start);
  peer.Call("close 1");
  return rate;
}

double StopLatencyMs(testing::PythonPeer& peer) {
  SerialService service;
  testing::SerialSession session(service);
  session.Start("COM1");
  if (!session.WaitForState("open")) return -1;
  peer.Call("open 1 flood");
  std::this_thread::sleep_for(std::chrono::seconds(1));
  const auto start = Clock::now();
  service.Stop();
  const double ms = Seconds(Clock::now() - start) * 1000.0;
  peer.Call("stopflood 1");
  peer.Call("close 1");
  return ms;
}

}  // namespace
}  // namespace nubo

int main() {
  using namespace nubo;
  testing::PythonPeer peer(testing::SerialPeerScript());
  const double debugger = DebuggerIngest(peer);
  const double bare = BareReadLoop(peer);
  const double send = SendMib(peer);
  const double stop = StopLatencyMs(peer);
  std::printf("ingest, debugger (poll every 100 ms)   %8.2f MB/s   %.2fx the bare loop (goal >= 0.8x)\n",
              Mb(debugger), bare > 0 ? debugger / bare : 0.0);
  std::printf("ingest, bare overlapped 16 KiB reads   %8.2f MB/s   (the platform's limit here)\n", Mb(bare));
  std::printf("send 1 MiB to a fast reader            %8.2f MB/s\n", Mb(send));
  std::printf("stop during a flood                    %8.1f ms     (goal <= 50 ms)\n", stop);
  return 0;
}
