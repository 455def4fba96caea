#include "debuggers/common/failure_text.h"

#include "debuggers/common/failure_texts.h"

namespace nubo {
namespace {

std::string Compose(std::string_view operation, std::string_view prefix, int code, std::string_view suffix) {
  std::string text(operation);
  text += prefix;
  text += std::to_string(code);
  text += suffix;
  return text;
}

}  // namespace

std::string FormatWinsockFailure(std::string_view operation, int code) {
  return Compose(operation, failure_text::kWinsockPrefix, code, failure_text::kSuffix);
}

std::string FormatWin32Failure(std::string_view operation, int code) {
  return Compose(operation, failure_text::kWin32Prefix, code, failure_text::kSuffix);
}

std::string FormatSystemCodeFailure(std::string_view operation, int code) {
  return Compose(operation, failure_text::kSystemCodePrefix, code, failure_text::kSuffix);
}

std::string FormatSerialPortFailure(std::string_view operation, int code) {
  return Compose(operation, failure_text::kWin32Prefix, code, failure_text::kSerialPortSuffix);
}

}  // namespace nubo
