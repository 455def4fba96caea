#pragma once

// The MQTT client's byte transport: a bounded, cancellable name look-up, a
// non-blocking TCP connection to the first address that answers, and an
// optional TLS client session through Schannel. Every long step tests the
// caller's abort predicate at least every 80 ms; a failure caused by it
// sets no text. Nothing here throws for network conditions. A connection is
// used by one thread only.

#include <winsock2.h>
#include <windows.h>
#define SECURITY_WIN32
#include <security.h>
#include <schannel.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "debuggers/common/net_resolve.h"
#include "debuggers/common/socket_layer.h"

namespace nubo {

using MqttAbortTest = std::function<bool()>;

// UTF-16 of strict UTF-8; empty for empty or invalid input.
std::wstring MqttUtf8ToWide(std::string_view text);
uint64_t MqttSteadyNowMs();

// True when select reports the socket ready (for writing: writable or in
// error, so that a refused connect is seen at once); a select error counts as
// not ready.
bool MqttWaitSocket(SOCKET socket, bool forWrite, uint32_t milliseconds);

// Waits up to 80 ms for readability; a set wake flag ends the wait early.
bool MqttWaitReadable(SOCKET socket, const std::atomic<bool>* wake);

// Up to 16 IPv4/IPv6 addresses of host:port in the resolver's order; at most
// 10 s, abandoned within 80 ms once abort() holds.
bool MqttResolveBroker(const NetResolveSystem& resolver, std::string_view host, uint16_t port,
                       const MqttAbortTest& abort, std::vector<NetAddress>& addresses, std::string& text);

// Every byte within 10 s.
bool MqttSendAll(SOCKET socket, const uint8_t* data, size_t length, const MqttAbortTest& abort,
                 std::string& text);

class MqttConnection {
 public:
  explicit MqttConnection(const NetResolveSystem& resolver) : resolver_(resolver) {}
  ~MqttConnection() { Close(); }
  MqttConnection(const MqttConnection&) = delete;
  MqttConnection& operator=(const MqttConnection&) = delete;

  // Resolves, connects and, with tls, runs the handshake naming host.
  bool ConnectTcp(std::string_view host, uint16_t port, bool tls, const MqttAbortTest& abort, std::string& text);
  bool Send(const uint8_t* data, size_t length, const MqttAbortTest& abort, std::string& text);
  // 1: bytes in out; 0: nothing within the wait (about 80 ms, 100 ms while a
  // TLS record arrives in parts); -1: failure with text. A set wake flag ends
  // an idle wait early so that a queued command is taken at once. A socket
  // read takes up to room bytes (at least 16 KiB, at most 256 KiB).
  int Receive(std::vector<uint8_t>& out, std::string& text, const MqttAbortTest& abort,
              const std::atomic<bool>* wake = nullptr, size_t room = SIZE_MAX);
  void Close();
  bool IsOpen() const { return static_cast<bool>(socket_); }

 private:
  bool TlsHandshake(std::string_view host, const MqttAbortTest& abort, std::string& text);
  bool VerifyServerCertificate(const std::wstring& target, std::string& text);
  bool SendTls(const uint8_t* data, size_t length, const MqttAbortTest& abort, std::string& text);
  int ReceivePlain(std::vector<uint8_t>& out, std::string& text, const std::atomic<bool>* wake, size_t room);
  int ReceiveTls(std::vector<uint8_t>& out, std::string& text, const MqttAbortTest& abort,
                 const std::atomic<bool>* wake, size_t room);
  int ReadEncrypted(size_t room, int& code);
  enum class DecryptEnd { kData, kDrained, kGoOn, kFailed };
  DecryptEnd Decrypt(std::vector<uint8_t>& out, std::string& text);

  const NetResolveSystem& resolver_;
  SocketHandle socket_;
  bool tls_ = false;
  bool credentialsHeld_ = false;
  bool contextHeld_ = false;
  bool needMore_ = false;
  CredHandle credentials_{};
  CtxtHandle context_{};
  SecPkgContext_StreamSizes sizes_{};
  std::vector<uint8_t> encrypted_;
  size_t encryptedStart_ = 0;  // bytes of encrypted_ already decrypted
  std::vector<uint8_t> record_;  // reused buffer of one outgoing TLS record
};

}  // namespace nubo
