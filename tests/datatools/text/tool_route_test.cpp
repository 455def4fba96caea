#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/case_name.h"
#include "ui_bridge/messages.h"
#include "ui_bridge/tool_routes.h"

namespace nubo {
namespace {

constexpr char kIncomplete[] = "工具请求缺少必要参数。";

Json Request(const std::string& toolId, const std::string& operation, const std::string& input) {
  return Json{{"requestId", "r-1"}, {"toolId", toolId}, {"operation", operation}, {"input", input}};
}

// The reply as the dispatcher would send it: serialised and read back.
Json Sent(const Json& reply) { return Json::parse(SerializeMessage(reply)); }

TEST(ToolRoute, SuccessRepliesToolResultWithRequestToolAndOutput) {
  const Json reply = Sent(RouteToolExecute(Request("hex", "decode", "e4bda0e5a5bd")));
  EXPECT_EQ(reply, Json::parse(R"({"type":"tool.result","payload":{"requestId":"r-1",)"
                               R"("toolId":"hex","output":"你好"}})"));
  // Serialised compactly, keys in order, Chinese text unescaped.
  EXPECT_EQ(SerializeMessage(RouteToolExecute(Request("hex", "decode", "e4bda0e5a5bd"))),
            R"({"payload":{"output":"你好","requestId":"r-1","toolId":"hex"},"type":"tool.result"})");
}

TEST(ToolRoute, ServiceFailureRepliesToolErrorWithRequestToolAndMessage) {
  const Json reply = Sent(RouteToolExecute(Request("base64", "decode", "/w==")));
  EXPECT_EQ(reply, Json::parse(R"({"type":"tool.error","payload":{"requestId":"r-1","toolId":"base64",)"
                               R"("message":"解码结果不是 UTF-8 文本，二进制模式将在后续版本提供。"}})"));
}

struct IncompleteCase {
  const char* name;
  Json payload;
  std::string requestId;  // as echoed
};

class IncompleteRequests : public ::testing::TestWithParam<IncompleteCase> {};

INSTANTIATE_TEST_SUITE_P(
    ToolRoute, IncompleteRequests,
    ::testing::Values(
        IncompleteCase{"empty_object", Json::object(), ""},
        IncompleteCase{"no_request_id", Json{{"toolId", "hash"}, {"operation", "md5"}}, ""},
        IncompleteCase{"empty_request_id",
                       Json{{"requestId", ""}, {"toolId", "hash"}, {"operation", "md5"}}, ""},
        IncompleteCase{"request_id_81_bytes",
                       Json{{"requestId", std::string(81, 'r')}, {"toolId", "hash"}, {"operation", "md5"}},
                       std::string(81, 'r')},
        IncompleteCase{"request_id_81_bytes_of_chinese",
                       Json{{"requestId", std::string(78, 'r') + "朵"}, {"toolId", "hash"}, {"operation", "md5"}},
                       std::string(78, 'r') + "朵"},
        IncompleteCase{"no_tool", Json{{"requestId", "r"}, {"operation", "md5"}}, "r"},
        IncompleteCase{"empty_tool", Json{{"requestId", "r"}, {"toolId", ""}, {"operation", "md5"}}, "r"},
        IncompleteCase{"no_operation", Json{{"requestId", "r"}, {"toolId", "hash"}}, "r"},
        IncompleteCase{"empty_operation",
                       Json{{"requestId", "r"}, {"toolId", "hash"}, {"operation", ""}}, "r"}),
    nubo::testing::CaseName());

TEST_P(IncompleteRequests, AreAnsweredDirectlyWithoutToolId) {
  const Json reply = Sent(RouteToolExecute(GetParam().payload));
  EXPECT_EQ(reply, (Json{{"type", "tool.error"},
                         {"payload", {{"requestId", GetParam().requestId}, {"message", kIncomplete}}}}));
}

TEST(ToolRoute, RequestIdOfEightyBytesIsAccepted) {
  Json payload = Request("hash", "md5", "");
  payload["requestId"] = std::string(80, 'r');
  const Json reply = RouteToolExecute(payload);
  EXPECT_EQ(reply["type"], "tool.result");
  EXPECT_EQ(reply["payload"]["requestId"], std::string(80, 'r'));
  EXPECT_EQ(reply["payload"]["output"], "d41d8cd98f00b204e9800998ecf8427e");
}

struct TypeErrorCase {
  const char* name;
  Json payload;
};

class WrongTypes : public ::testing::TestWithParam<TypeErrorCase> {};

INSTANTIATE_TEST_SUITE_P(
    ToolRoute, WrongTypes,
    ::testing::Values(
        TypeErrorCase{"payload_array", Json::array({1, 2})},
        TypeErrorCase{"payload_string", Json("tool")},
        TypeErrorCase{"payload_null", Json()},
        TypeErrorCase{"request_id_number", Json{{"requestId", 7}, {"toolId", "hash"}, {"operation", "md5"}}},
        TypeErrorCase{"tool_number", Json{{"requestId", "r"}, {"toolId", 1}, {"operation", "md5"}}},
        TypeErrorCase{"operation_null", Json{{"requestId", "r"}, {"toolId", "hash"}, {"operation", nullptr}}},
        TypeErrorCase{"input_array", Json{{"requestId", "r"}, {"toolId", "hash"}, {"operation", "md5"}, {"input", Json::array()}}},
        TypeErrorCase{"padded_string", Json{{"requestId", "r"}, {"toolId", "base64"}, {"operation", "encode"}, {"padded", "no"}}},
        TypeErrorCase{"url_safe_number", Json{{"requestId", "r"}, {"toolId", "base64"}, {"operation", "encode"}, {"urlSafe", 1}}}),
    nubo::testing::CaseName());

TEST_P(WrongTypes, RaiseTheJsonTypeErrorForTheDispatcher) {
  EXPECT_THROW(RouteToolExecute(GetParam().payload), Json::type_error);
}

TEST(ToolRoute, FlagsDefaultToPaddedStandardAlphabet) {
  const std::string data("\xfb\xff\xbf\xfb", 4);
  EXPECT_EQ(RouteToolExecute(Request("base64", "encode", data))["payload"]["output"], "+/+/+w==");
  Json payload = Request("base64", "encode", data);
  payload["urlSafe"] = true;
  payload["padded"] = false;
  EXPECT_EQ(RouteToolExecute(payload)["payload"]["output"], "-_-_-w");
}

TEST(ToolRoute, MissingInputIsEmpty) {
  const Json reply = RouteToolExecute(Json{{"requestId", "r"}, {"toolId", "hash"}, {"operation", "sha256"}});
  EXPECT_EQ(reply["payload"]["output"], "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
}

TEST(ToolRoute, OneMegabyteBoundary) {
  const Json accepted = Sent(RouteToolExecute(Request("hash", "sha256", std::string(1048576, 'a'))));
  EXPECT_EQ(accepted["type"], "tool.result");
  EXPECT_EQ(accepted["payload"]["output"],
            "9bc1b2a288b26af7257a36277ae3816a7d4f16e89c1e7e77d0a5c48bad62b360");
  const Json refused = Sent(RouteToolExecute(Request("hash", "sha256", std::string(1048577, 'a'))));
  EXPECT_EQ(refused, (Json{{"type", "tool.error"},
                           {"payload", {{"requestId", "r-1"}, {"toolId", "hash"},
                                        {"message", "当前工具单次最多处理 1 MB 文本。"}}}}));
  const Json unknown = Sent(RouteToolExecute(Request("no-such-tool", "x", std::string(1048577, 'a'))));
  EXPECT_EQ(unknown["payload"]["message"], "当前工具单次最多处理 1 MB 文本。");
}

TEST(ToolRoute, NamesAreCaseSensitive) {
  for (const auto& [tool, operation] : std::vector<std::pair<std::string, std::string>>{
           {"Base64", "encode"}, {"hash", "MD5"}, {"HASH", "sha256"}, {"uuid", "V4"}}) {
    const Json reply = Sent(RouteToolExecute(Request(tool, operation, "1")));
    EXPECT_EQ(reply["type"], "tool.error");
    EXPECT_EQ(reply["payload"]["toolId"], tool);
    EXPECT_EQ(reply["payload"]["message"], "这个工具操作尚未接入本地核心。") << tool << " " << operation;
  }
}

TEST(ToolRoute, FiftyUuidsThroughTheRoute) {
  for (const char* version : {"v4", "v7"}) {
    const Json reply = Sent(RouteToolExecute(Request("uuid", version, "50")));
    ASSERT_EQ(reply["type"], "tool.result");
    std::istringstream lines(reply["payload"]["output"].get<std::string>());
    std::set<std::string> distinct;
    std::string line;
    while (std::getline(lines, line)) {
      ASSERT_EQ(line.size(), 36u);
      EXPECT_EQ(line[14], version[1]) << line;
      EXPECT_NE(std::string("89ab").find(line[19]), std::string::npos) << line;
      distinct.insert(line);
    }
    EXPECT_EQ(distinct.size(), 50u) << version;
  }
}

TEST(ToolRoute, PasswordThroughTheRouteHoldsEveryClass) {
  const Json reply = Sent(RouteToolExecute(Request("password", "strong", "4")));
  ASSERT_EQ(reply["type"], "tool.result");
  const std::string password = reply["payload"]["output"];
  ASSERT_EQ(password.size(), 4u);
  std::set<int> classes;
  for (char c : password) {
    if (c >= 'a' && c <= 'z') classes.insert(0);
    else if (c >= 'A' && c <= 'Z') classes.insert(1);
    else if (c >= '0' && c <= '9') classes.insert(2);
    else classes.insert(3);
  }
  EXPECT_EQ(classes.size(), 4u) << password;
}

TEST(ToolRoute, NotUtf8ResultsAreToolErrorsNotAppErrors) {
  // Each would make the reply unserialisable if it were passed through.
  for (const auto& [tool, operation, input, message] :
       std::vector<std::tuple<std::string, std::string, std::string, std::string>>{
           {"base64", "decode", "gA==", "解码结果不是 UTF-8 文本，二进制模式将在后续版本提供。"},
           {"hex", "decode", "c3", "解码结果不是 UTF-8 文本，二进制模式将在后续版本提供。"},
           {"url-encode", "decode", "%E4%BD", "URL 解码结果不是有效的 UTF-8 文本。"}}) {
    const Json reply = RouteToolExecute(Request(tool, operation, input));
    EXPECT_NO_THROW((void)SerializeMessage(reply));
    EXPECT_EQ(reply["type"], "tool.error");
    EXPECT_EQ(reply["payload"]["message"], message) << tool;
  }
}

}  // namespace
}  // namespace nubo
