#include "debuggers/network/network_config_check.h"

#include "debuggers/common/ipv4_text.h"
#include "debuggers/network/network_constants.h"
#include "debuggers/common/failure_text.h"
#include "debuggers/common/socket_layer.h"
#include "store/ascii_case.h"

namespace nubo {
namespace {

constexpr size_t kMaxHostBytes = 253;

bool IsPrintableHost(std::string_view host) {
  if (host.size() > kMaxHostBytes) return false;
  for (unsigned char c : host) {
    if (c < 33 || c > 126) return false;
  }
  return true;
}

bool Refuse(std::string& error, std::string_view text) {
  error = text;
  return false;
}

}  // namespace

bool IsLoopbackHostText(std::string_view host) {
  const std::string lowered = ToLowerAscii(StripHostBrackets(std::string(host)));
  return lowered == "localhost" || lowered == "::1" || lowered.rfind("127.", 0) == 0;
}

std::string StripHostBrackets(std::string host) {
  if (host.size() > 2 && host.front() == '[' && host.back() == ']') return host.substr(1, host.size() - 2);
  return host;
}

bool CheckNetworkSessionConfig(NetworkSessionConfig& config, std::string& error) {
  namespace text = network::text;
  const bool server = config.mode == network::kModeTcpServer;
  const bool udp = config.mode == network::kModeUdp;
  if (!server && !udp && config.mode != network::kModeTcpClient) return Refuse(error, text::kModeInvalid);
  if (config.localHost.empty() && (server || udp)) config.localHost = "127.0.0.1";
  if (!IsPrintableHost(config.localHost)) return Refuse(error, text::kHostInvalid);
  if (!IsPrintableHost(config.remoteHost) || (config.remoteHost.empty() && !server)) {
    return Refuse(error, text::kHostInvalid);
  }
  if (!server && (config.remotePort == 0 || config.remoteHost.empty())) return Refuse(error, text::kTargetRequired);
  if (!config.localHost.empty() && !IsLoopbackHostText(config.localHost) && !config.allowLan) {
    return Refuse(error, text::kLanRequiredToBind);
  }
  if (config.multicastTtl < 0 || config.multicastTtl > 255) return Refuse(error, text::kTtlInvalid);
  if (!udp && (!config.multicastInterface.empty() || !config.multicastGroup.empty() || config.multicastTtl != 1)) {
    return Refuse(error, text::kMulticastOnlyUdp);
  }
  if (!config.multicastGroup.empty()) {
    if (!IsIpv4MulticastText(config.multicastGroup)) return Refuse(error, text::kGroupInvalid);
    if (config.localHost != "0.0.0.0") return Refuse(error, text::kGroupNeedsWildcard);
  }
  const bool multicast = !config.multicastGroup.empty() || IsIpv4MulticastText(config.remoteHost);
  if (multicast && !config.allowLan &&
      !(IsLoopbackHostText(config.localHost) && IsLoopbackHostText(config.multicastInterface))) {
    return Refuse(error, text::kLanRequiredForMulticast);
  }
  if (!config.multicastInterface.empty()) {
    int code = WSAEINVAL;
    const bool embeddedNul = config.multicastInterface.find('\0') != std::string::npos;
    if (embeddedNul || NetValidateLocalIpv4Interface(config.multicastInterface.c_str(), &code) == 0) {
      error = FormatWinsockFailure(text::kOpValidateMulticastInterface, code);
      return false;
    }
  }
  return true;
}

}  // namespace nubo
