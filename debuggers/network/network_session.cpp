#include "debuggers/network/network_session.h"

#include <algorithm>

#include "debuggers/common/failure_text.h"
#include "debuggers/network/network_limits.h"
#include "debuggers/network/network_texts.h"

namespace nubo {

void AddressText(const NetAddress& address, std::string& host, uint16_t& port) {
  char buffer[128] = {};
  uint16_t value = 0;
  if (NetAddressToText(&address, buffer, sizeof(buffer), &value, nullptr) != 0) {
    host = buffer;
    port = value;
  } else {
    host.assign(1, '?');  // assigning a literal trips a false GCC 12 warning
    port = 0;
  }
}

std::string EndpointLabel(const std::string& host, uint16_t port) {
  const bool ipv6 = host.find(':') != std::string::npos;
  std::string label;
  label.reserve(host.size() + 8);
  if (ipv6) label += '[';
  label += host;
  if (ipv6) label += ']';
  label += ':';
  label += std::to_string(port);
  return label;
}

std::string AddressLabel(const NetAddress& address) {
  std::string host;
  uint16_t port = 0;
  AddressText(address, host, port);
  return EndpointLabel(host, port);
}

int ResolveForSession(const NetworkSessionContext& context, const std::string& host, uint16_t port, int kind,
                      bool passive, NetAddress* out, int& code) {
  return NetResolveThrough(context.resolver, host.c_str(), port, kind, passive ? 1 : 0, out,
                           network::kResolveCapacity, &context.abandonResolve, &code);
}

bool FailResolution(const NetworkSessionContext& context, std::string_view operation, int code) {
  if (!(code == WSAECANCELLED && context.abandonResolve)) {
    context.sink.Fail(FormatWinsockFailure(operation, code));
  }
  return false;
}

int LocalAddressRefusal(const NetAddress& local, const NetAddress* target, bool allowLan) {
  if (target != nullptr && NetAddressFamilyVersion(&local) != NetAddressFamilyVersion(target)) {
    return WSAEAFNOSUPPORT;
  }
  return allowLan || NetIsLoopbackAddress(&local) != 0 ? 0 : WSAEACCES;
}

uint64_t UnsentBytes(const OutgoingQueue& queue) {
  uint64_t unsent = 0;
  for (const OutgoingBuffer& buffer : queue) unsent += buffer.bytes->size() - buffer.sent;
  return unsent;
}

TcpReadEnd ReadTcpPass(const NetworkSessionContext& context, TcpStream& stream, size_t readShare, int& code) {
  std::vector<uint8_t>& buffer = context.receiveBuffer;
  size_t taken = 0;
  for (int reads = 0; reads < network::kMaxReadsPerSocketPass && taken < readShare; ++reads) {
    const size_t wanted = std::min(buffer.size(), readShare - taken);
    size_t length = 0;
    int readCode = 0;
    const int status = NetRecv(stream.socket.get(), buffer.data(), wanted, &length, &readCode);
    if (status == kNetDone) {
      context.sink.RecordReceived(stream.peerId, stream.label, buffer.data(), length, network::kTcpReadBytes);
      taken += length;
      if (length < wanted) return TcpReadEnd::kDone;  // drained: a further call would only block
    } else if (status == kNetWouldBlock) {
      return TcpReadEnd::kDone;
    } else if (status == kNetClosed) {
      return TcpReadEnd::kClosed;
    } else {
      code = readCode;
      return TcpReadEnd::kFailed;
    }
  }
  return TcpReadEnd::kDone;  // more may wait; the next pass reads on after sends and stop requests
}

bool FlushTcpQueue(NetworkSink& sink, TcpStream& stream) {
  while (!stream.queue.empty()) {
    OutgoingBuffer& front = stream.queue.front();
    const std::vector<uint8_t>& bytes = *front.bytes;
    size_t sent = 0;
    int code = 0;
    const int status =
        NetSend(stream.socket.get(), bytes.data() + front.sent, bytes.size() - front.sent, &sent, &code);
    if (status == kNetWouldBlock) return true;
    if (status != kNetDone) {
      sink.LogText(network::kKindError,
                   FormatWinsockFailure(network::text::kOpSendTcp, status == kNetClosed ? 0 : code), stream.peerId,
                   stream.label);
      return false;
    }
    front.sent += sent;
    const bool done = front.sent == bytes.size();
    sink.CountSent(sent, done);
    if (done) {
      NetworkEvent event;
      event.kind = network::kKindSent;
      event.peerId = stream.peerId;
      event.peerLabel = stream.label;
      sink.AppendEvent(std::move(event), bytes);
      stream.queue.pop_front();
    }
  }
  return true;
}

}  // namespace nubo
