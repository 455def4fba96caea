#include "ui_bridge/database_routes.h"

#include <stdexcept>
#include <string>

#include "datatools/database/database_json.h"
#include "datatools/database/database_overview.h"
#include "datatools/database/database_texts.h"
#include "datatools/database/sql_execute.h"
#include "datatools/dialogs/dialog_path_buffer.h"
#include "ui_bridge/data_route_texts.h"
#include "ui_bridge/dispatch_texts.h"
#include "ui_bridge/field_readers.h"

namespace nubo {
namespace {

// The path is read here, after any dialog of an earlier step has closed,
// never kept from before it.
std::wstring RequireCurrentDatabase(const DataRouteContext& context, const std::string& requestId) {
  if (!IsValidRequestId(requestId) || context.currentDatabasePath.empty()) {
    throw std::runtime_error(database_texts::kNoCurrentDatabase);
  }
  return context.currentDatabasePath;
}

Json Pick(DataRouteContext& context, std::string_view type, const Json& payload) {
  const std::string requestId = ReadTextOr(payload, "requestId", "");
  if (!IsValidRequestId(requestId)) {
    throw std::runtime_error(data_route_texts::kDatabaseRequestWithoutId);
  }
  return WithOwnCatch(type, requestId, [&] {
    const bool createNew = ReadBoolOr(payload, "createNew", false);
    DialogPathBuffer buffer;
    const int chosen = context.dialogGate.Run([&] {
      return context.dialogs.databaseFile(context.owner, createNew, buffer.data(), buffer.size());
    });
    if (chosen == 0) return MakeResultReply(type, requestId, Json{{"cancelled", true}});
    if (chosen != 1) return MakeErrorReply(type, requestId, data_route_texts::kFilePickerFailed);

    const std::wstring path = buffer.Path();
    const DatabaseOverview overview =
        createNew ? CreateDatabaseAndReadOverview(path) : OpenDatabaseAndReadOverview(path);
    context.currentDatabasePath = path;
    return MakeResultReply(type, requestId,
                           Json{{"cancelled", false}, {"overview", DatabaseOverviewToJson(overview)}});
  });
}

Json Refresh(const DataRouteContext& context, std::string_view type, const Json& payload) {
  const std::string requestId = ReadTextOr(payload, "requestId", "");
  return WithOwnCatch(type, requestId, [&] {
    const std::wstring path = RequireCurrentDatabase(context, requestId);
    return MakeResultReply(type, requestId,
                           Json{{"overview", DatabaseOverviewToJson(OpenDatabaseAndReadOverview(path))}});
  });
}

Json Execute(const DataRouteContext& context, std::string_view type, const Json& payload) {
  const std::string requestId = ReadTextOr(payload, "requestId", "");
  return WithOwnCatch(type, requestId, [&] {
    const std::wstring path = RequireCurrentDatabase(context, requestId);
    const std::string sql = ReadTextOr(payload, "sql", "");
    const bool allowWrite = ReadBoolOr(payload, "allowWrite", false);
    SqlExecuteResult result;
    try {
      result = ExecuteDatabaseSql(path, sql, allowWrite);
    } catch (const SqlPartlyAppliedError& failure) {
      // What stayed changed the file: the workbench lists it as it now is.
      Json reply = MakeErrorReply(type, requestId, failure.what());
      try {
        reply["payload"]["overview"] = DatabaseOverviewToJson(OpenDatabaseAndReadOverview(path));
      } catch (const std::exception&) {
      }
      return reply;
    }
    Json fields{{"result", SqlExecuteResultToJson(result)}};
    if (result.wroteData) {
      fields["overview"] = DatabaseOverviewToJson(OpenDatabaseAndReadOverview(path));
    }
    return MakeResultReply(type, requestId, std::move(fields));
  });
}

Json Close(DataRouteContext& context, std::string_view type, const Json& payload) {
  const std::string requestId = ReadTextOr(payload, "requestId", "");
  context.currentDatabasePath.clear();
  return MakeResultReply(type, requestId);
}

}  // namespace

Json RouteDatabaseRequest(DataRouteContext& context, std::string_view type, const Json& payload) {
  if (type == "database.pick") return Pick(context, type, payload);
  if (type == "database.refresh") return Refresh(context, type, payload);
  if (type == "database.execute") return Execute(context, type, payload);
  if (type == "database.close") return Close(context, type, payload);
  throw std::runtime_error(std::string(dispatch_texts::kUnsupported));
}

}  // namespace nubo
