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
const std::string kScanInvalid = "软件残留扫描请求无效。";
const std::string kUninstallInvalid = "软件卸载请求无效。";
const std::string kTokenInvalid = "清理计划标识无效。";
const std::string kRevealInvalid = "文件位置请求无效，请重新扫描。";
const std::string kCleanupInvalid = "软件残留清理请求无效。";
const std::string kOwnTexts[] = {kFields,        kGate,          kRunning,       kScanInvalid,
                                 kUninstallInvalid, kTokenInvalid, kRevealInvalid, kCleanupInvalid};
// Expected outcomes that are no message of the route's own.
const std::string kStarted = "<the scan started; its reply comes later>";
const std::string kServed = "<the service answered>";

const Json kRemoved(Json::value_t::discarded);

Json BasePayload(const std::string& type) {
  const std::string token(32, 't');
  if (type == "software.scan") return {{"requestId", "r"}, {"softwareId", "app"}, {"displayName", "小工具"}};
  if (type == "software.uninstall") {
    return {{"requestId", "r"}, {"softwareId", "app"}, {"displayName", "小工具"}, {"confirmed", true}};
  }
  if (type == "software.refresh") return {{"requestId", "r"}, {"planToken", token}};
  if (type == "software.reveal") return {{"requestId", "r"}, {"planToken", token}, {"path", "C:\\x"}};
  if (type == "software.cleanup") {
    return {{"requestId", "r"}, {"planToken", token}, {"typedName", "小工具"}, {"confirmed", false},
            {"selectedPaths", {"C:\\x"}}};
  }
  return {{"requestId", "r"}};
}

Json Paths(size_t count, const Json& last = "C:\\x") {
  Json paths = Json::array();
  for (size_t i = 1; i < count; ++i) paths.push_back("C:\\x");
  paths.push_back(last);
  return paths;
}

std::string Repeat(std::string_view unit, size_t count) {
  std::string text;
  for (size_t i = 0; i < count; ++i) text += unit;
  return text;
}

class SoftwareRoutes {
 public:
  SoftwareRoutes() {
    SoftwareSystem system = MachineSoftwareSystem();
    system.readInstalled = [](const std::function<bool()>&) { return std::vector<RegisteredSoftware>{}; };
    service_ = std::make_unique<SoftwareService>(std::move(system));
    SoftwareScanOutlet outlet{[] { return HWND(nullptr); }, [](const std::string&) {}};
    worker_ = std::make_unique<SoftwareScanWorker>(
        *service_, outlet, [this](const SoftwareScanJob&, const std::function<bool()>& stale) {
          while (hold && !stale()) Sleep(5);
          return SoftwareCleanupPlan{};
        });
  }

  // The gate, then the route, as the dispatcher runs them.
  Json Send(const std::string& type, const Json& payload, bool visible = true) {
    const std::string text = payload.dump();
    const RouteRequest request{type, payload, text.size(), GateFacts{true, visible, false}};
    Json refusal = SoftwareGate(request);
    if (!refusal.is_null()) return refusal;
    SoftwareRouteContext context{*service_, nullptr, *worker_};
    return RouteSoftwareRequest(context, request);
  }
  SoftwareScanWorker& worker() { return *worker_; }

  std::atomic<bool> hold{false};

 private:
  std::unique_ptr<SoftwareService> service_;
  std::unique_ptr<SoftwareScanWorker> worker_;
};

struct RouteCase {
  const char* name;
  std::string type;
  std::string member;  // the member this case changes
  Json value;          // kRemoved: the member is left out
  std::string expected;
  bool visible = true;
};

class SoftwareRouteLimits : public ::testing::TestWithParam<RouteCase> {};

TEST_P(SoftwareRouteLimits, AnswerAtEachBoundary) {
  const RouteCase& c = GetParam();
  Json payload = BasePayload(c.type);
  if (c.value.is_discarded()) {
    payload.erase(c.member);
  } else if (!c.member.empty()) {
    payload[c.member] = c.value;
  }
  SoftwareRoutes routes;
  const Json reply = routes.Send(c.type, payload, c.visible);
  if (c.expected == kStarted) {
    EXPECT_TRUE(reply.is_null()) << reply.dump();
  } else if (c.expected == kServed) {
    ASSERT_TRUE(reply.is_object());
    EXPECT_TRUE(reply["type"].get<std::string>().starts_with(c.type + ".")) << reply.dump();
    for (const std::string& own : kOwnTexts) EXPECT_NE(reply["payload"].value("message", ""), own);
  } else if (c.expected == "暂不支持这个操作。") {
    EXPECT_EQ(reply, (Json{{"type", "app.error"}, {"payload", {{"message", c.expected}}}}));
  } else {
    const std::string requestId = payload["requestId"].is_string() ? payload["requestId"].get<std::string>() : "";
    EXPECT_EQ(reply, (Json{{"type", c.type + ".error"},
                           {"payload", {{"requestId", requestId}, {"message", c.expected}}}}));
  }
}

const std::string kCup = "\xF0\x9F\x8D\xB5";  // one code point, four bytes

INSTANTIATE_TEST_SUITE_P(
    Routes, SoftwareRouteLimits,
    ::testing::Values(
        RouteCase{"request_id_80", "software.scan", "requestId", std::string(80, 'r'), kStarted},
        RouteCase{"request_id_81", "software.scan", "requestId", std::string(81, 'r'), kGate},
        RouteCase{"software_id_2048", "software.scan", "softwareId", std::string(2048, 's'), kStarted},
        RouteCase{"software_id_2049", "software.scan", "softwareId", std::string(2049, 's'), kFields},
        RouteCase{"display_name_640_bytes", "software.scan", "displayName", Repeat(kCup, 160), kStarted},
        RouteCase{"display_name_641_bytes", "software.scan", "displayName", Repeat(kCup, 160) + "a", kFields},
        RouteCase{"display_name_161_code_points", "software.scan", "displayName", std::string(161, 'n'),
                  kScanInvalid},
        RouteCase{"uninstall_name_160_code_points", "software.uninstall", "displayName", std::string(160, 'n'),
                  kServed},
        RouteCase{"uninstall_name_161_code_points", "software.uninstall", "displayName", std::string(161, 'n'),
                  kUninstallInvalid},
        RouteCase{"uninstall_without_confirmed", "software.uninstall", "confirmed", kRemoved, kFields},
        RouteCase{"uninstall_confirmed_as_text", "software.uninstall", "confirmed", "true", kFields},
        RouteCase{"refresh_token_31", "software.refresh", "planToken", std::string(31, 't'), kTokenInvalid},
        RouteCase{"refresh_token_32", "software.refresh", "planToken", std::string(32, 't'), kStarted},
        RouteCase{"refresh_token_33", "software.refresh", "planToken", std::string(33, 't'), kFields},
        RouteCase{"reveal_token_31", "software.reveal", "planToken", std::string(31, 't'), kRevealInvalid},
        RouteCase{"reveal_token_33", "software.reveal", "planToken", std::string(33, 't'), kFields},
        RouteCase{"reveal_path_32768", "software.reveal", "path", std::string(32768, 'p'), kServed},
        RouteCase{"reveal_path_32769", "software.reveal", "path", std::string(32769, 'p'), kFields},
        RouteCase{"cleanup_token_31", "software.cleanup", "planToken", std::string(31, 't'), kCleanupInvalid},
        RouteCase{"cleanup_token_32", "software.cleanup", "planToken", std::string(32, 't'), kServed},
        RouteCase{"cleanup_token_33", "software.cleanup", "planToken", std::string(33, 't'), kFields},
        RouteCase{"cleanup_typed_name_161_code_points", "software.cleanup", "typedName", std::string(161, 'n'),
                  kCleanupInvalid},
        RouteCase{"cleanup_typed_name_641_bytes", "software.cleanup", "typedName", Repeat(kCup, 160) + "a",
                  kFields},
        RouteCase{"cleanup_without_confirmed", "software.cleanup", "confirmed", kRemoved, kFields},
        RouteCase{"cleanup_256_paths", "software.cleanup", "selectedPaths", Paths(256), kServed},
        RouteCase{"cleanup_257_paths", "software.cleanup", "selectedPaths", Paths(257), kCleanupInvalid},
        RouteCase{"cleanup_no_paths", "software.cleanup", "selectedPaths", Json::array(), kCleanupInvalid},
        RouteCase{"cleanup_paths_not_an_array", "software.cleanup", "selectedPaths", "C:\\x", kCleanupInvalid},
        RouteCase{"cleanup_path_32768", "software.cleanup", "selectedPaths", Paths(2, std::string(32768, 'p')),
                  kServed},
        RouteCase{"cleanup_path_32769", "software.cleanup", "selectedPaths", Paths(2, std::string(32769, 'p')),
                  kCleanupInvalid},
        RouteCase{"cleanup_empty_path", "software.cleanup", "selectedPaths", Paths(2, ""), kCleanupInvalid},
        RouteCase{"cleanup_path_not_text", "software.cleanup", "selectedPaths", Paths(2, 5), kCleanupInvalid},
        RouteCase{"cleanup_path_with_nul", "software.cleanup", "selectedPaths", Paths(2, std::string("C:\\a\0b", 6)),
                  kCleanupInvalid},
        RouteCase{"list", "software.list", "", nullptr, kServed},
        RouteCase{"list_from_hidden_workbench", "software.list", "", nullptr, kGate, false},
        RouteCase{"cancel_from_hidden_workbench", "software.scan.cancel", "", nullptr, kServed, false},
        RouteCase{"unknown_type", "software.nothing", "", nullptr, "暂不支持这个操作。"}),
    testing::CaseName{});

TEST(SoftwareRouteScan, ARunningScanRefusesEveryOtherRequestUntilCancelled) {
  SoftwareRoutes routes;
  routes.hold = true;
  ASSERT_TRUE(routes.Send("software.scan", BasePayload("software.scan")).is_null());
  for (const std::string type : {"software.scan", "software.refresh", "software.reveal", "software.list",
                                 "software.uninstall", "software.cleanup", "software.nothing"}) {
    EXPECT_EQ(routes.Send(type, BasePayload(type)),
              (Json{{"type", type + ".error"}, {"payload", {{"requestId", "r"}, {"message", kRunning}}}}));
  }
  // Bad fields are still answered as such first.
  EXPECT_EQ(routes.Send("software.refresh", Json{{"requestId", "r"}})["payload"]["message"], kFields);
  EXPECT_EQ(routes.Send("software.scan.cancel", Json{{"requestId", "c"}}),
            (Json{{"type", "software.scan.cancel.result"}, {"payload", {{"requestId", "c"}}}}));
  routes.worker().Cancel(true);
  EXPECT_TRUE(routes.Send("software.scan", BasePayload("software.scan")).is_null());
}

}  // namespace
}  // namespace nubo
