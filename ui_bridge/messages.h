#pragma once

#include <exception>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace nubo {

using Json = nlohmann::json;

// {"type": type, "payload": payload}
Json MakeMessage(std::string_view type, Json payload = Json::object());

// type + ".result" whose payload holds requestId beside the members of fields.
Json MakeResultReply(std::string_view requestType, std::string_view requestId,
                     Json fields = Json::object());

// type + ".error" whose payload is {requestId, message}.
Json MakeErrorReply(std::string_view requestType, std::string_view requestId,
                    std::string_view message);

// The request's own catch: a standard exception thrown inside becomes
// type + ".error" carrying its sentence.
template <typename Handling>
Json WithOwnCatch(std::string_view requestType, std::string_view requestId, Handling&& handling) {
  try {
    return handling();
  } catch (const std::exception& failure) {
    return MakeErrorReply(requestType, requestId, failure.what());
  }
}

// Compact text, non-ASCII written as raw UTF-8, members in ascending key
// order. Raises the library's type error for text that is not valid UTF-8.
std::string SerializeMessage(const Json& message);

}  // namespace nubo
