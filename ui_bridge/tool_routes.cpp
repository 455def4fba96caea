#include "ui_bridge/tool_routes.h"

#include <string>

#include "datatools/text/text_tools_service.h"
#include "ui_bridge/field_readers.h"

namespace nubo {
namespace {

constexpr char kToolReplyFamily[] = "tool";
constexpr char kToolRequestIncomplete[] = "工具请求缺少必要参数。";

}  // namespace

Json RouteToolExecute(const Json& payload) {
  const std::string requestId = ReadTextOr(payload, "requestId", "");
  const std::string toolId = ReadTextOr(payload, "toolId", "");
  const std::string operation = ReadTextOr(payload, "operation", "");
  // The input (up to 1 MB and more) is read in place, not copied.
  static const std::string kNoInput;
  const auto inputMember = payload.find("input");
  const std::string& input =
      inputMember == payload.end() ? kNoInput : inputMember->get_ref<const std::string&>();
  const bool padded = ReadBoolOr(payload, "padded", true);
  const bool urlSafe = ReadBoolOr(payload, "urlSafe", false);

  if (!IsValidRequestId(requestId) || toolId.empty() || operation.empty()) {
    return MakeErrorReply(kToolReplyFamily, requestId, kToolRequestIncomplete);
  }

  ToolResult result = ExecuteTool(toolId, operation, input, urlSafe, padded);
  if (result.success) {
    return MakeResultReply(kToolReplyFamily, requestId,
                           Json{{"toolId", toolId}, {"output", std::move(result.output)}});
  }
  Json reply = MakeErrorReply(kToolReplyFamily, requestId, result.message);
  reply["payload"]["toolId"] = toolId;
  return reply;
}

}  // namespace nubo
