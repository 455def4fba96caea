#pragma once

#include <string_view>

#include "datatools/text/random_source.h"
#include "datatools/tool_result.h"

namespace nubo {

// Runs one text-tool operation: toolId and operation are matched byte for
// byte; urlSafe and padded are read by the Base64 encoder only. Bad input is
// a failure result, never an exception (only memory exhaustion propagates).
ToolResult ExecuteTool(std::string_view toolId, std::string_view operation,
                       std::string_view input, bool urlSafe, bool padded);

// The same, with random bytes (UUIDs, passwords) taken from random.
ToolResult ExecuteTool(std::string_view toolId, std::string_view operation,
                       std::string_view input, bool urlSafe, bool padded, RandomSource& random);

}  // namespace nubo
