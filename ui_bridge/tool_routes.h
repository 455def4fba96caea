#pragma once

#include "ui_bridge/messages.h"

namespace nubo {

// "tool.execute": reads requestId, toolId, operation, input, padded and
// urlSafe, runs the text tool and returns the "tool.result" or "tool.error"
// reply for the sending window. A member of the wrong type raises the JSON
// library's type error, left to the dispatcher.
Json RouteToolExecute(const Json& payload);

}  // namespace nubo
