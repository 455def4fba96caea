#include "ui_bridge/messages.h"

namespace nubo {

Json MakeMessage(std::string_view type, Json payload) {
  Json message = Json::object();
  message["type"] = std::string(type);
  message["payload"] = std::move(payload);
  return message;
}

Json MakeResultReply(std::string_view requestType, std::string_view requestId, Json fields) {
  fields["requestId"] = std::string(requestId);
  return MakeMessage(std::string(requestType) + ".result", std::move(fields));
}

Json MakeErrorReply(std::string_view requestType, std::string_view requestId,
                    std::string_view message) {
  Json payload = Json::object();
  payload["requestId"] = std::string(requestId);
  payload["message"] = std::string(message);
  return MakeMessage(std::string(requestType) + ".error", std::move(payload));
}

std::string SerializeMessage(const Json& message) {
  return message.dump(-1, ' ', false, Json::error_handler_t::strict);
}

}  // namespace nubo
