// The MQTT client's TCP side: connect to the first address that answers,
// the bounded send loop, the plain receive and closing.

#include <algorithm>
#include <chrono>
#include <stdexcept>

#include "debuggers/mqtt/mqtt_transport.h"
#include "debuggers/mqtt/mqtt_transport_limits.h"
#include "debuggers/mqtt/mqtt_transport_texts.h"
#include "debuggers/common/failure_text.h"
#include "store/text_convert.h"

namespace nubo {

std::wstring MqttUtf8ToWide(std::string_view text) {
  try {
    return Utf8ToUtf16(text);
  } catch (const std::runtime_error&) {
    return {};
  }
}

uint64_t MqttSteadyNowMs() {
  return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::steady_clock::now().time_since_epoch())
                                   .count());
}

bool MqttWaitSocket(SOCKET socket, bool forWrite, uint32_t milliseconds) {
  NetSelectEntry entry{socket, forWrite ? 0 : 1, forWrite ? 1 : 0, 0, 0, 0};
  if (NetSelect(&entry, 1, milliseconds, nullptr) < 1) return false;
  return forWrite ? (entry.writable != 0 || entry.hasError != 0) : entry.readable != 0;
}

// Waits up to one abort slice for readability; a set wake flag ends it early.
bool MqttWaitReadable(SOCKET socket, const std::atomic<bool>* wake) {
  if (wake == nullptr) return MqttWaitSocket(socket, false, mqtt::kAbortSliceMs);
  const uint64_t end = MqttSteadyNowMs() + mqtt::kAbortSliceMs;
  for (;;) {
    if (MqttWaitSocket(socket, false, mqtt::kWakeSliceMs)) return true;
    if (wake->load(std::memory_order_relaxed) || MqttSteadyNowMs() >= end) return false;
  }
}

bool MqttSendAll(SOCKET socket, const uint8_t* data, size_t length, const MqttAbortTest& abort,
                 std::string& text) {
  const uint64_t started = MqttSteadyNowMs();
  size_t done = 0;
  while (done < length) {
    if (abort()) return false;
    if (MqttSteadyNowMs() - started >= mqtt::kSendBudgetMs) {
      text.assign(mqtt::text::kSendTimeout);
      return false;
    }
    size_t chunk = length - done;
    if (chunk > mqtt::kMaxSendChunk) chunk = mqtt::kMaxSendChunk;
    size_t sent = 0;
    int code = 0;
    // Send first and wait only on a full socket: under Wine every select()
    // costs as much as the send itself.
    const int status = NetSend(socket, data + done, chunk, &sent, &code);
    if (status == kNetWouldBlock) {
      MqttWaitSocket(socket, true, mqtt::kAbortSliceMs);
      continue;
    }
    if (status != kNetDone || sent == 0) {
      text = FormatWinsockFailure(mqtt::text::kOpSend, code);
      return false;
    }
    done += sent;
  }
  return true;
}

bool MqttConnection::ConnectTcp(std::string_view host, uint16_t port, bool tls, const MqttAbortTest& abort,
                                std::string& text) {
  Close();
  text.clear();
  std::vector<NetAddress> addresses;
  if (!MqttResolveBroker(resolver_, host, port, abort, addresses, text)) return false;
  const uint64_t deadline = MqttSteadyNowMs() + mqtt::kConnectBudgetMs;
  for (const NetAddress& address : addresses) {
    if (abort()) break;
    SocketHandle candidate(NetSocket(&address, nullptr));
    if (!candidate || NetSetNonBlocking(candidate.get(), 1, nullptr) == 0) continue;
    const int started = NetConnect(candidate.get(), &address, nullptr);
    if (started == kNetInProgress) {
      bool ready = false;
      while (!ready && !abort() && MqttSteadyNowMs() < deadline) {
        ready = MqttWaitSocket(candidate.get(), true, mqtt::kAbortSliceMs);
      }
      int32_t error = -1;
      if (!ready || NetGetSocketError(candidate.get(), &error, nullptr) == 0 || error != 0) continue;
    } else if (started != kNetDone) {
      continue;
    }
    socket_ = std::move(candidate);
    break;
  }
  if (!socket_) {
    if (!abort()) text.assign(mqtt::text::kConnectFailed);
    return false;
  }
  tls_ = tls;
  if (tls && !TlsHandshake(host, abort, text)) {
    Close();
    return false;
  }
  return true;
}

bool MqttConnection::Send(const uint8_t* data, size_t length, const MqttAbortTest& abort, std::string& text) {
  if (tls_) return SendTls(data, length, abort, text);
  return MqttSendAll(socket_.get(), data, length, abort, text);
}

int MqttConnection::Receive(std::vector<uint8_t>& out, std::string& text, const MqttAbortTest& abort,
                            const std::atomic<bool>* wake, size_t room) {
  out.clear();
  if (abort()) return 0;
  return tls_ ? ReceiveTls(out, text, abort, wake, room) : ReceivePlain(out, text, wake, room);
}

// Reads first and waits only when nothing is there: a flood is taken in large
// reads without a select() before each.
int MqttConnection::ReceivePlain(std::vector<uint8_t>& out, std::string& text, const std::atomic<bool>* wake,
                                 size_t room) {
  out.resize(std::clamp(room, mqtt::kSocketReadBytes, mqtt::kSocketReadMaxBytes));
  size_t length = 0;
  int code = 0;
  int status = NetRecv(socket_.get(), out.data(), out.size(), &length, &code);
  if (status == kNetWouldBlock) {
    if (!MqttWaitReadable(socket_.get(), wake)) {
      out.clear();
      return 0;
    }
    status = NetRecv(socket_.get(), out.data(), out.size(), &length, &code);
  }
  out.resize(status == kNetDone ? length : 0);
  switch (status) {
    case kNetDone:
      return length > 0 ? 1 : 0;
    case kNetWouldBlock:
      return 0;  // ready, then nothing: the next receive tries again
    case kNetClosed:
      text.assign(mqtt::text::kBrokerClosed);
      return -1;
    default:
      text = FormatWinsockFailure(mqtt::text::kOpReceive, code);
      return -1;
  }
}

void MqttConnection::Close() {
  encrypted_.clear();
  encryptedStart_ = 0;
  needMore_ = false;
  if (contextHeld_) DeleteSecurityContext(&context_);
  if (credentialsHeld_) FreeCredentialsHandle(&credentials_);
  contextHeld_ = false;
  credentialsHeld_ = false;
  sizes_ = SecPkgContext_StreamSizes{};
  if (socket_) ShutdownAndClose(socket_);
  tls_ = false;
}

}  // namespace nubo
