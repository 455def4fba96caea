#include <gtest/gtest.h>

#include <atomic>

#include "maintenance/software/software_scan_worker.h"
#include "maintenance/software/software_service.h"
#include "tests/support/case_name.h"
#include "ui_bridge/software_routes.h"

namespace nubo {
namespace {

const std::string kFields = "软件操作请求字段无效。";
const std::string kGate = "请在已打开的工作台中操作软件卸载工具。";
const std::string kRunning = "扫描仍在进行，请等待完成或先取消扫描。";
const std::string kCleanupInvalid = "软件残留清理请求无效。";
const std::string kStarted = "<no reply now>";
const std::string kServed = "<the service's answer>";
const std::string kCup = "\xF0\x9F\x8D\xB5";  // one code point, four bytes
const std::string kToken(32, 't');
const Json kRemoved(Json::value_t::discarded);

Json BasePayload(const std::string& type) {
  Json payload = {{"requestId", "r"}, {"softwareId", "app"}, {"displayName", "名"}, {"planToken", kToken},
                  {"path", "C:\\x"},  {"typedName", "名"},   {"confirmed", true},     {"selectedPaths", {"C:\\x"}}};
  return type == "software.scan.cancel" ? Json{{"requestId", "r"}} : payload;
}

Json Paths(size_t count, const Json& last) {
  Json paths(count - 1, "C:\\x");
  paths.push_back(last);
  return paths;
}

std::string Cups(size_t count) {
  std::string text;
  while (count-- > 0) text += kCup;
  return text;
}

// A service over an empty inventory and a worker whose scan ends at once or,
// while hold is set, when it is cancelled; the gate, then the route.
struct SoftwareRoutes {
  SoftwareService service{[] {
    SoftwareSystem system = MachineSoftwareSystem();
    system.readInstalled = [](const std::function<bool()>&) { return std::vector<RegisteredSoftware>{}; };
    return system;
  }()};
  std::atomic<bool> hold{false};
  SoftwareScanWorker worker{service, {[] { return HWND(nullptr); }, [](const std::string&) {}},
                            [this](const SoftwareScanJob&, const std::function<bool()>& stale) {
                              while (hold && !stale()) Sleep(5);
                              return SoftwareCleanupPlan{};
                            }};

  Json Send(const std::string& type, const Json& payload, bool visible = true) {
    const RouteRequest request{type, payload, payload.dump().size(), GateFacts{true, visible, false}};
    Json refusal = SoftwareGate(request);
    SoftwareRouteContext context{service, nullptr, worker};
    return refusal.is_null() ? RouteSoftwareRequest(context, request) : refusal;
  }
};

struct RouteCase {
  const char* name;
  std::string type;
  std::string member;
  Json value;  // kRemoved: the member is left out
  std::string expected;
  bool visible = true;
};

class SoftwareRouteLimits : public ::testing::TestWithParam<RouteCase> {};

TEST_P(SoftwareRouteLimits, AnswerAtEachBoundary) {
  const RouteCase& c = GetParam();
  Json payload = BasePayload(c.type);
  if (c.value.is_discarded()) payload.erase(c.member);
  if (!c.value.is_discarded() && !c.member.empty()) payload[c.member] = c.value;
  SoftwareRoutes routes;
  const Json reply = routes.Send(c.type, payload, c.visible);
  if (c.expected == kStarted) {
    EXPECT_TRUE(reply.is_null()) << reply.dump();
  } else if (c.expected == kServed) {
    EXPECT_TRUE(reply["type"].get<std::string>().starts_with(c.type + ".")) << reply.dump();
    for (const std::string& own : {kFields, kGate, kRunning, kCleanupInvalid}) EXPECT_NE(reply["payload"].value("message", ""), own);
  } else {
    const std::string requestId = payload["requestId"];
    EXPECT_EQ(reply, (Json{{"type", c.type + ".error"}, {"payload", {{"requestId", requestId}, {"message", c.expected}}}}));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Routes, SoftwareRouteLimits,
    ::testing::Values(
        RouteCase{"request_id_80", "software.scan", "requestId", std::string(80, 'r'), kStarted},
        RouteCase{"request_id_81", "software.scan", "requestId", std::string(81, 'r'), kGate},
        RouteCase{"software_id_2048", "software.scan", "softwareId", std::string(2048, 's'), kStarted},
        RouteCase{"software_id_2049", "software.scan", "softwareId", std::string(2049, 's'), kFields},
        RouteCase{"display_name_640_bytes", "software.scan", "displayName", Cups(160), kStarted},
        RouteCase{"display_name_641_bytes", "software.scan", "displayName", Cups(160) + "a", kFields},
        RouteCase{"display_name_161_code_points", "software.scan", "displayName", std::string(161, 'n'), "软件残留扫描请求无效。"},
        RouteCase{"uninstall_name_160_code_points", "software.uninstall", "displayName", std::string(160, 'n'), kServed},
        RouteCase{"uninstall_name_161_code_points", "software.uninstall", "displayName", std::string(161, 'n'), "软件卸载请求无效。"},
        RouteCase{"uninstall_without_confirmed", "software.uninstall", "confirmed", kRemoved, kFields},
        RouteCase{"refresh_token_31", "software.refresh", "planToken", std::string(31, 't'), "清理计划标识无效。"},
        RouteCase{"refresh_token_32", "software.refresh", "planToken", kToken, kStarted},
        RouteCase{"refresh_token_33", "software.refresh", "planToken", std::string(33, 't'), kFields},
        RouteCase{"reveal_token_31", "software.reveal", "planToken", std::string(31, 't'), "文件位置请求无效，请重新扫描。"},
        RouteCase{"reveal_path_32768", "software.reveal", "path", std::string(32768, 'p'), kServed},
        RouteCase{"reveal_path_32769", "software.reveal", "path", std::string(32769, 'p'), kFields},
        RouteCase{"cleanup_token_31", "software.cleanup", "planToken", std::string(31, 't'), kCleanupInvalid},
        RouteCase{"cleanup_token_33", "software.cleanup", "planToken", std::string(33, 't'), kFields},
        RouteCase{"cleanup_without_confirmed", "software.cleanup", "confirmed", kRemoved, kFields},
        RouteCase{"cleanup_256_paths", "software.cleanup", "selectedPaths", Paths(256, "C:\\y"), kServed},
        RouteCase{"cleanup_257_paths", "software.cleanup", "selectedPaths", Paths(257, "C:\\y"), kCleanupInvalid},
        RouteCase{"cleanup_path_32768", "software.cleanup", "selectedPaths", Paths(2, std::string(32768, 'p')), kServed},
        RouteCase{"cleanup_path_32769", "software.cleanup", "selectedPaths", Paths(2, std::string(32769, 'p')), kCleanupInvalid},
        RouteCase{"cleanup_empty_path", "software.cleanup", "selectedPaths", Paths(2, ""), kCleanupInvalid},
        RouteCase{"cleanup_path_not_text", "software.cleanup", "selectedPaths", Paths(2, 5), kCleanupInvalid},
        RouteCase{"list_from_hidden_workbench", "software.list", "", nullptr, kGate, false},
        RouteCase{"cancel_from_hidden_workbench", "software.scan.cancel", "", nullptr, kServed, false}),
    testing::CaseName{});

TEST(SoftwareRouteScan, ARunningScanRefusesEveryOtherRequestUntilCancelled) {
  SoftwareRoutes routes;
  EXPECT_EQ(routes.Send("software.other", BasePayload("software.other"))["payload"]["message"], "暂不支持这个操作。");
  routes.hold = true;
  ASSERT_TRUE(routes.Send("software.scan", BasePayload("software.scan")).is_null());
  for (const std::string type : {"software.scan", "software.refresh", "software.reveal", "software.list",
                                 "software.uninstall", "software.cleanup", "software.other"}) {
    EXPECT_EQ(routes.Send(type, BasePayload(type)),
              (Json{{"type", type + ".error"}, {"payload", {{"requestId", "r"}, {"message", kRunning}}}}));
  }
  EXPECT_EQ(routes.Send("software.refresh", Json{{"requestId", "r"}})["payload"]["message"], kFields);
  EXPECT_EQ(routes.Send("software.scan.cancel", BasePayload("software.scan.cancel")),
            (Json{{"type", "software.scan.cancel.result"}, {"payload", {{"requestId", "r"}}}}));
  routes.worker.Cancel(true);
  EXPECT_TRUE(routes.Send("software.scan", BasePayload("software.scan")).is_null());
}

}  // namespace
}  // namespace nubo
