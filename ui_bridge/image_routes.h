#pragma once

#include <string_view>

#include "ui_bridge/data_route_context.h"
#include "ui_bridge/messages.h"

namespace nubo {

// "image.save": the reply for the sending window. A requestId that is not a
// string escapes as the JSON type error, one that is not 1 to 96 bytes as
// std::runtime_error "图片保存请求无效。" (both become app.error).
Json RouteImageRequest(DataRouteContext& context, std::string_view type, const Json& payload);

}  // namespace nubo
