#pragma once

#include <nlohmann/json.hpp>

#include "datatools/database/database_types.h"

namespace nubo {

using Json = nlohmann::json;

Json DatabaseColumnToJson(const DatabaseColumn& column);
Json DatabaseObjectToJson(const DatabaseObject& object);
Json DatabaseOverviewToJson(const DatabaseOverview& overview);
Json SqlExecuteResultToJson(const SqlExecuteResult& result);

}  // namespace nubo
