// Figures of the Modbus master against one pymodbus TCP slave, side by side:
//   a libmodbus read loop (native, started from here), a bare Winsock
//   request/response loop under Wine, the master driven the way the
//   workbench drives it, and Stop() during a pending 10 s request.
// Run through bench/modbus/run (Wine, private loopback-only namespace).

#include <winsock2.h>
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

#include "tests/debuggers/modbus/support/modbus_session.h"
#include "tests/debuggers/network/support/python_peer.h"

namespace nubo {
namespace {

using Clock = std::chrono::steady_clock;
using testing::Json;

constexpr int kSeconds = 3;
constexpr int kSlices = 6;
constexpr auto kSlice = std::chrono::milliseconds(kSeconds * 1000 / kSlices);

std::wstring WindowsPath(const std::string& unixPath) {
  std::wstring path = L"Z:";
  for (char c : unixPath) path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
  return path;
}

// The native loop's figure, or -1 when it did not run.
double LibmodbusLoop(const std::string& program, int port) {
  const std::string out = program + ".out";
  DeleteFileW(WindowsPath(out).c_str());
  std::wstring command = WindowsPath(program) + L" " + std::to_wstring(port) + L" " + std::to_wstring(kSeconds) +
                         L" " + std::wstring(out.begin(), out.end());
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(WindowsPath(program).c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return -1;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  const auto end = Clock::now() + std::chrono::seconds(kSeconds + 10);
  double figure = -1;
  while (Clock::now() < end) {
    std::ifstream file(WindowsPath(out).c_str());
    if (file >> figure) return figure;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return -1;
}

// A rate summed over slices of a few hundred milliseconds.
struct Rate {
  long count = 0;
  double seconds = 0;
  bool failed = false;
  double PerSecond() const { return failed || seconds <= 0 ? -1 : static_cast<double>(count) / seconds; }
};

class BareWinsockLoop {
 public:
  explicit BareWinsockLoop(int port) {
    WSADATA data{};
    WSAStartup(MAKEWORD(2, 2), &data);
    socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<u_short>(port));
    rate_.failed = connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0;
    BOOL noDelay = TRUE;
    setsockopt(socket_, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof(noDelay));
  }
  ~BareWinsockLoop() {
    closesocket(socket_);
    WSACleanup();
  }

  void Run(Clock::duration slice) {
    unsigned char request[12] = {0, 0, 0, 0, 0, 6, 1, 3, 0, 0, 0, 1};
    unsigned char response[11];
    const auto start = Clock::now();
    while (!rate_.failed && Clock::now() - start < slice) {
      request[0] = static_cast<unsigned char>(rate_.count >> 8);
      request[1] = static_cast<unsigned char>(rate_.count);
      rate_.failed = send(socket_, reinterpret_cast<const char*>(request), sizeof(request), 0) != sizeof(request);
      int got = 0;
      while (!rate_.failed && got < static_cast<int>(sizeof(response))) {
        const int n = recv(socket_, reinterpret_cast<char*>(response) + got, sizeof(response) - got, 0);
        rate_.failed = n <= 0;
        got += n;
      }
      ++rate_.count;
    }
    rate_.seconds += std::chrono::duration<double>(Clock::now() - start).count();
  }

  const Rate& rate() const { return rate_; }

 private:
  SOCKET socket_ = INVALID_SOCKET;
  Rate rate_;
};

// Request, then poll until it is done, as the workbench does (without its
// pauses between polls).
class MasterLoop {
 public:
  explicit MasterLoop(int port) { rate_.failed = !session_.ConnectTcp(port); }

  void Run(Clock::duration slice) {
    const auto start = Clock::now();
    while (!rate_.failed && Clock::now() - start < slice) {
      rate_.failed = session_.Call("request", {{"functionCode", 3}})["type"] != "modbus.request.result";
      do {
        std::this_thread::yield();
        session_.Poll();
      } while (!rate_.failed && session_.snapshot()["pending"] == true);
      rate_.failed = rate_.failed || !session_.Error().empty();
      if (rate_.failed) break;
      workerMs_ += session_.snapshot()["result"]["elapsedMs"].get<double>();
      ++rate_.count;
    }
    rate_.seconds += std::chrono::duration<double>(Clock::now() - start).count();
  }

  const Rate& rate() const { return rate_; }
  double WorkerMsPerRequest() const { return rate_.count > 0 ? workerMs_ / rate_.count : 0.0; }

 private:
  testing::ModbusSession session_;
  Rate rate_;
  double workerMs_ = 0;
};

double StopDuringPendingRequestMs(testing::PythonPeer& peer) {
  testing::ModbusSession session;
  if (!session.ConnectTcp(peer.Number("fake silent"), {{"timeoutMs", 10000}})) return -1;
  session.Call("request", {{"functionCode", 3}});
  session.PollUntil([&] { return !session.Lines().empty(); });
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  const auto start = Clock::now();
  session.service().Stop();
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace
}  // namespace nubo

int main(int argc, char** argv) {
  using namespace nubo;
  testing::PythonPeer peer{testing::ModbusPeerScript()};
  const int port = peer.Number("pymodbus tcp");
  const double libmodbus = argc > 1 ? LibmodbusLoop(argv[1], port) : -1;
  // The two loops take turns, so that the machine's load, which changes from
  // second to second, weighs on both alike.
  BareWinsockLoop bareLoop(port);
  MasterLoop masterLoop(port);
  for (int slice = 0; slice < kSlices; ++slice) {
    bareLoop.Run(kSlice);
    masterLoop.Run(kSlice);
  }
  const double bare = bareLoop.rate().PerSecond();
  const double master = masterLoop.rate().PerSecond();
  std::printf("  (worker's own time per request: %.2f ms)\n", masterLoop.WorkerMsPerRequest());
  const double stopMs = StopDuringPendingRequestMs(peer);
  std::printf("Modbus TCP against one pymodbus slave (transactions/s, %d s each; bare and master in turns of %d ms)\n",
              kSeconds, static_cast<int>(kSlice.count()));
  std::printf("  libmodbus modbus_read_registers, native   %10.0f\n", libmodbus);
  std::printf("  bare Winsock request/response, Wine       %10.0f   (anchor: 2,600-3,200/s)\n", bare);
  std::printf("  master request + poll until done, Wine    %10.0f   (%.2fx bare; goal >= 0.5x)\n", master,
              bare > 0 ? master / bare : 0.0);
  std::printf("Stop() during a pending 10 s request         %8.1f ms (goal <= 50 ms)\n", stopMs);
  return 0;
}
