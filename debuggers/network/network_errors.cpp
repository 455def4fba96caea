#include "debuggers/network/network_errors.h"

#include "debuggers/network/network_constants.h"

namespace nubo {

std::string NetworkFormatWinsockError(std::string_view operation, int code) {
  std::string text(operation);
  text += network::text::kWinsockFailurePrefix;
  text += std::to_string(code);
  text += network::text::kWinsockFailureSuffix;
  return text;
}

}  // namespace nubo
