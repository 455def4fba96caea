#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <stdexcept>

#include "debuggers/modbus/modbus_frame.h"
#include "debuggers/modbus/modbus_link.h"
#include "debuggers/modbus/modbus_texts.h"
#include "debuggers/common/failure_text.h"
#include "debuggers/common/socket_layer.h"
#include "debuggers/common/socket_layer_detail.h"
#include "store/win_handles.h"

namespace nubo {
namespace {

namespace texts = modbus_texts;

constexpr uint32_t kConnectWaitMs = 20;
constexpr uint32_t kRetryWaitMs = 2;

[[noreturn]] void FailSystem(std::string_view operation, int code) {
  throw std::runtime_error(FormatSystemCodeFailure(operation, code));
}

NetAddress NumericAddress(const ModbusConnectionConfig& config) {
  NetAddress address{};
  const u_short port = htons(static_cast<u_short>(config.port));
  sockaddr_in v4{};
  if (inet_pton(AF_INET, config.host.c_str(), &v4.sin_addr) == 1) {
    v4.sin_family = AF_INET;
    v4.sin_port = port;
    net_detail::FillAddress(&address, reinterpret_cast<const sockaddr*>(&v4), sizeof(v4), SOCK_STREAM, IPPROTO_TCP);
    return address;
  }
  sockaddr_in6 v6{};
  inet_pton(AF_INET6, config.host.c_str(), &v6.sin6_addr);
  v6.sin6_family = AF_INET6;
  v6.sin6_port = port;
  net_detail::FillAddress(&address, reinterpret_cast<const sockaddr*>(&v6), sizeof(v6), SOCK_STREAM, IPPROTO_TCP);
  return address;
}

// Waits up to timeoutMs for the socket to be ready; false on time-out.
bool WaitReady(SOCKET socket, bool write, uint32_t timeoutMs, int* code) {
  NetSelectEntry entry{socket, write ? 0 : 1, write ? 1 : 0, 0, 0, 0};
  return NetSelect(&entry, 1, timeoutMs, code) > 0;
}

// The receive wait is an event the socket sets on arriving data: under Wine a
// select() costs several milliseconds even when the data is already there,
// while a wait on the event returns as soon as it is set.
class TcpLink final : public ModbusLink {
 public:
  explicit TcpLink(SocketHandle socket) : socket_(std::move(socket)), readable_(WSACreateEvent()) {
    if (!readable_) FailSystem(texts::kOpSetTcp, WSAGetLastError());
    if (WSAEventSelect(socket_.get(), readable_.get(), FD_READ | FD_CLOSE) != 0) {
      FailSystem(texts::kOpSetTcp, WSAGetLastError());
    }
  }

  bool IsTcp() const override { return true; }

  size_t SendSome(const uint8_t* data, size_t size) override {
    size_t sent = 0;
    int code = 0;
    const int status = NetSend(socket_.get(), data, size, &sent, &code);
    if (status == kNetDone && sent > 0) return sent;
    if (status == kNetFailed) FailSystem(texts::kOpTcpSend, code);
    WaitReady(socket_.get(), true, kRetryWaitMs, &code);
    return 0;
  }

  int WantedTotal(const uint8_t* received, size_t count) const override {
    if (count < 6) return 6;
    const int total = ModbusExpectedResponseLength(received, count, true);
    return total < static_cast<int>(count) || total > static_cast<int>(kModbusMaxResponseBytes) ? -1 : total;
  }

  // The worker asks for exactly the missing bytes: the header, then the rest.
  // One receive of all that has come in serves both, and what it took beyond
  // them waits here for the next ask, as it would have waited in the socket;
  // under Wine every receive is a round trip to the Wine server.
  size_t ReceiveSome(uint8_t* buffer, size_t size) override {
    if (heldFrom_ == heldTo_) {
      heldFrom_ = 0;
      heldTo_ = ReceiveOrWait(held_, sizeof(held_));
    }
    const size_t count = std::min(size, heldTo_ - heldFrom_);
    std::memcpy(buffer, held_ + heldFrom_, count);
    heldFrom_ += count;
    return count;
  }

  void BetweenTransactions() override {
    if (mayBeSignalled_) ResetReadable();
  }

 private:
  // Data already in costs one receive. An empty socket waits for the event,
  // cleared first (then looking once more, as data may have come in before)
  // unless it has stayed clear since the last clearing: every arrival since
  // then has set it, as each receive asks the socket to signal the next.
  size_t ReceiveOrWait(uint8_t* buffer, size_t size) {
    size_t length = TryReceive(buffer, size);
    if (length == 0 && mayBeSignalled_) {
      ResetReadable();
      length = TryReceive(buffer, size);
    }
    if (length > 0) {
      mayBeSignalled_ = true;
      return length;
    }
    if (WaitForSingleObject(readable_.get(), kRetryWaitMs) == WAIT_OBJECT_0) mayBeSignalled_ = true;
    return 0;
  }

  void ResetReadable() {
    WSAResetEvent(readable_.get());
    mayBeSignalled_ = false;
  }

  // The bytes received, 0 when none are waiting.
  size_t TryReceive(uint8_t* buffer, size_t size) {
    size_t length = 0;
    int code = 0;
    const int status = NetRecv(socket_.get(), buffer, size, &length, &code);
    if (status == kNetDone && length > 0) return length;
    if (status == kNetWouldBlock) return 0;
    throw std::runtime_error(std::string(texts::kTcpReceive));
  }

  SocketHandle socket_;
  EventHandle readable_;
  uint8_t held_[kModbusMaxResponseBytes];
  size_t heldFrom_ = 0;
  size_t heldTo_ = 0;
  bool mayBeSignalled_ = true;
};

}  // namespace

std::unique_ptr<ModbusLink> ModbusConnectTcp(const ModbusConnectionConfig& config, const ModbusCancelled& cancelled) {
  const NetAddress address = NumericAddress(config);
  int code = 0;
  SocketHandle socket(NetSocket(&address, &code));
  if (!socket) FailSystem(texts::kOpCreateTcp, code);
  if (NetSetNonBlocking(socket.get(), 1, &code) == 0) FailSystem(texts::kOpSetTcp, code);
  const auto started = std::chrono::steady_clock::now();
  const int status = NetConnect(socket.get(), &address, &code);
  if (status == kNetFailed) FailSystem(texts::kOpConnectTcp, code);
  if (status == kNetDone) return std::make_unique<TcpLink>(std::move(socket));
  const auto deadline = started + std::chrono::milliseconds(config.timeoutMs);
  while (std::chrono::steady_clock::now() < deadline && !cancelled()) {
    NetSelectEntry entry{socket.get(), 0, 1, 0, 0, 0};
    const int ready = NetSelect(&entry, 1, kConnectWaitMs, &code);
    if (ready < 0) FailSystem(texts::kOpWaitTcp, code);
    if (ready == 0) continue;
    int32_t pending = 0;
    if (NetGetSocketError(socket.get(), &pending, &code) == 0) FailSystem(texts::kOpCheckTcp, code);
    if (pending != 0) FailSystem(texts::kOpConnectTcp, pending);
    return std::make_unique<TcpLink>(std::move(socket));
  }
  throw std::runtime_error(std::string(cancelled() ? texts::kCancelled : texts::kConnectTimeout));
}

}  // namespace nubo
