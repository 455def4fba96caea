#include "debuggers/network/network_config_check.h"

#include <stdexcept>

#include "debuggers/common/failure_text.h"
#include "debuggers/common/ipv4_text.h"
#include "debuggers/network/network_limits.h"
#include "debuggers/network/network_texts.h"
#include "debuggers/common/socket_layer.h"
#include "store/ascii_case.h"

namespace nubo {
namespace {

bool IsPrintableHost(std::string_view host) {
  if (host.size() > network::kMaxHostBytes) return false;
  for (unsigned char c : host) {
    if (c < 33 || c > 126) return false;
  }
  return true;
}

[[noreturn]] void Refuse(std::string_view text) { throw std::invalid_argument(std::string(text)); }

}  // namespace

bool IsLoopbackHostText(std::string_view host) {
  const std::string lowered = ToLowerAscii(StripHostBrackets(std::string(host)));
  return lowered == "localhost" || lowered == "::1" || lowered.rfind("127.", 0) == 0;
}

std::string StripHostBrackets(std::string host) {
  if (host.size() > 2 && host.front() == '[' && host.back() == ']') return host.substr(1, host.size() - 2);
  return host;
}

void CheckNetworkSessionConfig(NetworkSessionConfig& config) {
  namespace text = network::text;
  const bool server = config.mode == NetworkMode::kTcpServer;
  const bool udp = config.mode == NetworkMode::kUdp;
  if (config.localHost.empty() && (server || udp)) config.localHost = "127.0.0.1";
  if (!IsPrintableHost(config.localHost)) Refuse(text::kHostInvalid);
  if (!IsPrintableHost(config.remoteHost) || (config.remoteHost.empty() && !server)) {
    Refuse(text::kHostInvalid);
  }
  if (!server && (config.remotePort == 0 || config.remoteHost.empty())) Refuse(text::kTargetRequired);
  if (!config.localHost.empty() && !IsLoopbackHostText(config.localHost) && !config.allowLan) {
    Refuse(text::kLanRequiredToBind);
  }
  if (config.multicastTtl < 0 || config.multicastTtl > network::kMaxMulticastTtl) Refuse(text::kTtlInvalid);
  if (!udp && (!config.multicastInterface.empty() || !config.multicastGroup.empty() || config.multicastTtl != 1)) {
    Refuse(text::kMulticastOnlyUdp);
  }
  if (!config.multicastGroup.empty()) {
    if (!IsIpv4MulticastText(config.multicastGroup)) Refuse(text::kGroupInvalid);
    if (config.localHost != "0.0.0.0") Refuse(text::kGroupNeedsWildcard);
  }
  const bool multicast = !config.multicastGroup.empty() || IsIpv4MulticastText(config.remoteHost);
  if (multicast && !config.allowLan &&
      !(IsLoopbackHostText(config.localHost) && IsLoopbackHostText(config.multicastInterface))) {
    Refuse(text::kLanRequiredForMulticast);
  }
  if (!config.multicastInterface.empty()) {
    int code = WSAEINVAL;
    const bool embeddedNul = config.multicastInterface.find('\0') != std::string::npos;
    if (embeddedNul || NetValidateLocalIpv4Interface(config.multicastInterface.c_str(), &code) == 0) {
      Refuse(FormatWinsockFailure(text::kOpValidateMulticastInterface, code));
    }
  }
}

}  // namespace nubo
