#pragma once

#include <string>
#include <string_view>
#include <utility>

namespace nubo {

// The answer of one data-tool operation: the output text on success, the
// user-facing failure text otherwise.
struct ToolResult {
  bool success = false;
  std::string output;
  std::string message;

  static ToolResult Success(std::string output) {
    ToolResult result;
    result.success = true;
    result.output = std::move(output);
    return result;
  }

  static ToolResult Failure(std::string_view message) {
    ToolResult result;
    result.message = std::string(message);
    return result;
  }
};

}  // namespace nubo
