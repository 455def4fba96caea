#pragma once

#include <string_view>

#include "ui_bridge/data_route_context.h"
#include "ui_bridge/messages.h"

namespace nubo {

// "database.pick", "database.refresh", "database.execute" and
// "database.close": the reply for the sending window. Failures that belong
// to app.error escape as exceptions (a JSON type error for a requestId that
// is not a string; std::runtime_error "数据库请求缺少有效标识。" for a pick
// without a valid requestId).
Json RouteDatabaseRequest(DataRouteContext& context, std::string_view type, const Json& payload);

}  // namespace nubo
