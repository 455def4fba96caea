#include "ui_bridge/dispatcher.h"

namespace nubo {

Json AppErrorMessage(std::string_view message) {
  return MakeMessage("app.error", Json{{"message", std::string(message)}});
}

std::string SerializeOrUnsendable(const Json& message) {
  try {
    return SerializeMessage(message);
  } catch (const Json::exception&) {
    return SerializeMessage(AppErrorMessage(dispatch_texts::kUnsendable));
  }
}

}  // namespace nubo
