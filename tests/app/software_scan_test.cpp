#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <stdexcept>

#include "maintenance/software/software_service.h"
#include "tests/support/app_harness.h"
#include "tests/support/case_name.h"
#include "tests/support/import_patch.h"

namespace nubo {
namespace {

using Json = nlohmann::json;
using testing::ParsedPosts;

const std::string kToken(32, 'a');
const std::string kScan = R"({"type":"software.scan","payload":{"requestId":"r1","softwareId":"id","displayName":"名"}})";

SoftwareCleanupPlan Plan() {
  SoftwareCleanupPlan plan;
  plan.token = kToken;
  plan.displayName = "名";
  return plan;
}

Json Reply(const std::string& type, const std::string& requestId, const std::string& message) {
  return {{"type", type}, {"payload", {{"requestId", requestId}, {"message", message}}}};
}

// Every member any software request reads, each valid.
Json BasePayload() {
  return {{"requestId", "r"}, {"softwareId", "app"}, {"displayName", "名"}, {"planToken", kToken},
          {"path", "C:\\x"},  {"typedName", "名"},   {"confirmed", true},     {"selectedPaths", {"C:\\x"}}};
}

// A scan the test steers: it waits until released (or, with endWhenStale,
// until its request is stale, as the budget's check would notice), then
// answers as told: 0 a plan, 1 a standard exception, 2 another one, 3 a
// standard exception whose text is not UTF-8.
struct SteeredScan {
  std::atomic<int> releases{0}, entered{0}, returned{0}, answer{0};
  std::atomic<bool> endWhenStale{false};
  SoftwareScanJob job;  // the last one, written before entered moves on

  SoftwareScanCall Call() {
    return [this](const SoftwareScanJob& copy, const std::function<bool()>& stale) {
      job = copy;
      ++entered;
      while (releases == 0 && !(endWhenStale && stale())) Sleep(5);
      if (releases > 0) --releases;
      ++returned;
      if (answer == 1) throw std::runtime_error("部分扫描根不可读。");
      if (answer == 2) throw 7;
      if (answer == 3) throw std::runtime_error("\xFF\xFE");
      return Plan();
    };
  }
};

class SoftwareScanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    harness_.softwareScan = scan_.Call();
    harness_.StartWithBothWindows();
  }
  void TearDown() override { scan_.releases = 1000; }
  Application& app() { return harness_.app(); }
  std::vector<Json> Posts() { return ParsedPosts(harness_.DashboardView()); }
  bool Until(const std::function<bool()>& pred) { return harness_.PumpUntil(pred, 5000); }
  bool TickUntilPosted() {
    return Until([&] {
      app().OnTick();
      return !Posts().empty();
    });
  }
  // Ticks until the worker has ended and a new scan may start.
  bool TickUntilIdle() {
    return Until([&] {
      app().OnTick();
      try {
        app().StartSoftwareScan(harness_.DashboardHandle(), "probe", "id", "名", "");
        return true;
      } catch (const std::runtime_error&) {
        return false;
      }
    });
  }

  SteeredScan scan_;
  testing::AppHarness harness_;
};

TEST_F(SoftwareScanTest, AFinishedScanIsPostedOnTheNextTickOnce) {
  const Json expected = {{"type", "software.scan.result"}, {"payload", {{"requestId", "r1"}, {"plan", SoftwareCleanupPlanToJson(Plan())}}}};
  harness_.FromDashboard(kScan);
  scan_.releases = 1;
  ASSERT_TRUE(Until([&] { return scan_.returned == 1; }));
  Sleep(100);
  harness_.Pump();
  EXPECT_TRUE(Posts().empty());  // only the tick posts it
  ASSERT_TRUE(TickUntilPosted());
  app().OnTick();
  EXPECT_EQ(Posts(), std::vector<Json>{expected});
  EXPECT_EQ(scan_.job.softwareId, "id");
}

TEST_F(SoftwareScanTest, CancelAnswersOnceAndTheFinishedPlanNeverShows) {
  harness_.FromDashboard(kScan);
  ASSERT_TRUE(Until([&] { return scan_.entered == 1; }));
  harness_.FromDashboard(R"({"type":"software.scan.cancel","payload":{"requestId":"c1"}})");
  const Json cancelled = Reply("software.scan.error", "r1", "扫描已取消。");
  EXPECT_EQ(Posts(), (std::vector<Json>{cancelled, {{"type", "software.scan.cancel.result"}, {"payload", {{"requestId", "c1"}}}}}));

  // The cancelled worker is still ending: every request but a cancel is refused.
  for (const std::string type : {"software.scan", "software.refresh", "software.reveal", "software.list",
                                 "software.uninstall", "software.cleanup", "software.other"}) {
    harness_.DashboardView().ClearPosted();
    harness_.FromDashboard(Json{{"type", type}, {"payload", BasePayload()}}.dump());
    EXPECT_EQ(Posts(), std::vector<Json>{Reply(type + ".error", "r", "扫描仍在进行，请等待完成或先取消扫描。")});
  }
  try {
    app().StartSoftwareScan(harness_.DashboardHandle(), "r3", "id", "名", "");
    ADD_FAILURE() << "a second start was accepted";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "请先取消正在进行的扫描。");
  }

  // The worker completes its plan after the cancel: nothing more is posted.
  harness_.DashboardView().ClearPosted();
  scan_.releases = 1;
  ASSERT_TRUE(TickUntilIdle());
  EXPECT_TRUE(Posts().empty());
}

TEST_F(SoftwareScanTest, HidingCancelsAndShowingAgainBringsNoLateResult) {
  harness_.FromDashboard(kScan);
  ASSERT_TRUE(Until([&] { return scan_.entered == 1; }));
  app().HideDashboard();
  EXPECT_EQ(Posts(), std::vector<Json>{Reply("software.scan.error", "r1", "扫描已取消。")});
  scan_.releases = 1;
  app().ShowDashboard();
  harness_.DashboardView().ClearPosted();
  ASSERT_TRUE(TickUntilIdle());
  EXPECT_TRUE(Posts().empty());
}

TEST_F(SoftwareScanTest, AReplyForAHiddenWindowIsDropped) {
  harness_.FromDashboard(kScan);
  scan_.releases = 1;
  ASSERT_TRUE(Until([&] { return scan_.returned == 1; }));
  ShowWindow(harness_.DashboardHandle(), SW_HIDE);  // without the cancel of HideDashboard
  ASSERT_TRUE(TickUntilIdle());
  ShowWindow(harness_.DashboardHandle(), SW_SHOW);
  app().OnTick();
  EXPECT_TRUE(Posts().empty());
}

TEST_F(SoftwareScanTest, QuitPostsNothingAndWaitsForTheWorker) {
  scan_.endWhenStale = true;
  harness_.FromDashboard(kScan);
  ASSERT_TRUE(Until([&] { return scan_.entered == 1; }));
  harness_.log.Clear();
  app().Quit();
  EXPECT_EQ(scan_.returned, 1);
  for (const std::string& entry : harness_.log.Entries()) EXPECT_EQ(entry.find("software."), std::string::npos) << entry;
}

HRESULT WINAPI FailingCoInitializeEx(LPVOID, DWORD) { return E_OUTOFMEMORY; }

struct FailureCase {
  const char* name;
  int answer;
  bool comFails;
  std::string message;
};

class ScanFailures : public SoftwareScanTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(ScanFailures, BecomeTheRequestsError) {
  scan_.answer = GetParam().answer;
  scan_.releases = 1;
  std::optional<testing::ImportPatch> patch;
  if (GetParam().comFails) patch.emplace("ole32.dll", "CoInitializeEx", reinterpret_cast<void*>(&FailingCoInitializeEx));
  harness_.FromDashboard(kScan);
  ASSERT_TRUE(TickUntilPosted());
  patch.reset();
  EXPECT_EQ(Posts(), std::vector<Json>{Reply("software.scan.error", "r1", GetParam().message)});
  EXPECT_EQ(scan_.entered, GetParam().comFails ? 0 : 1);
}

INSTANTIATE_TEST_SUITE_P(Worker, ScanFailures,
                         ::testing::Values(FailureCase{"com_unavailable", 0, true, "无法初始化快捷方式扫描服务。"},
                                           FailureCase{"service_failure", 1, false, "部分扫描根不可读。"},
                                           FailureCase{"other_exception", 2, false, "扫描未完成，请重试。"},
                                           FailureCase{"text_not_utf8", 3, false, "\uFFFD\uFFFD"}),
                         testing::CaseName{});

const std::string kFields = "软件操作请求字段无效。";
const std::string kCleanupInvalid = "软件残留清理请求无效。";
const std::string kStarted = "<no reply now>";
const std::string kCancelResult = "<software.scan.cancel.result>";
const std::string kNoUninstaller = "该软件没有可安全调用的注册卸载程序。";
const std::string kNoPlanToReveal = "扫描计划已失效，请重新扫描后打开位置。";
const std::string kNoPlanToClean = "清理需要 15 分钟内的有效扫描结果，并完整输入软件名称。";
const Json kRemoved(Json::value_t::discarded);

Json Paths(size_t count, const Json& last) {
  Json paths(count - 1, "C:\\x");
  paths.push_back(last);
  return paths;
}

std::string Cups(size_t count) {  // each one code point of four bytes
  std::string text;
  while (count-- > 0) text += "\xF0\x9F\x8D\xB5";
  return text;
}

struct RouteCase {
  const char* name;
  std::string type;
  std::string member;
  Json value;  // kRemoved: the member is left out
  std::string expected;
  bool hidden = false;
};

class SoftwareRouteLimits : public SoftwareScanTest, public ::testing::WithParamInterface<RouteCase> {};

TEST_P(SoftwareRouteLimits, AnswerAtEachBoundary) {
  const RouteCase& c = GetParam();
  Json payload = BasePayload();
  if (c.value.is_discarded()) payload.erase(c.member);
  if (!c.value.is_discarded() && !c.member.empty()) payload[c.member] = c.value;
  if (c.hidden) app().HideDashboard();
  harness_.FromDashboard(Json{{"type", c.type}, {"payload", payload}}.dump());
  if (c.expected == kStarted) {
    EXPECT_TRUE(Posts().empty());
  } else if (c.expected == "暂不支持这个操作。") {
    EXPECT_EQ(Posts(), (std::vector<Json>{{{"type", "app.error"}, {"payload", {{"message", c.expected}}}}}));
  } else if (c.expected == kCancelResult) {
    EXPECT_EQ(Posts(), (std::vector<Json>{{{"type", "software.scan.cancel.result"}, {"payload", {{"requestId", "r"}}}}}));
  } else {  // the operation's replies carry more members
    ASSERT_EQ(Posts().size(), 1u);
    const Json reply = Posts().at(0);
    EXPECT_EQ(Reply(reply["type"], reply["payload"]["requestId"], reply["payload"]["message"]),
              Reply(c.type + ".error", payload["requestId"], c.expected));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Routes, SoftwareRouteLimits,
    ::testing::Values(
        RouteCase{"request_id_80", "software.scan", "requestId", std::string(80, 'r'), kStarted},
        RouteCase{"request_id_81", "software.scan", "requestId", std::string(81, 'r'), "请在已打开的工作台中操作软件卸载工具。"},
        RouteCase{"software_id_2048", "software.scan", "softwareId", std::string(2048, 's'), kStarted},
        RouteCase{"software_id_2049", "software.scan", "softwareId", std::string(2049, 's'), kFields},
        RouteCase{"display_name_640_bytes", "software.scan", "displayName", Cups(160), kStarted},
        RouteCase{"display_name_641_bytes", "software.scan", "displayName", Cups(160) + "a", kFields},
        RouteCase{"display_name_161_code_points", "software.scan", "displayName", std::string(161, 'n'), "软件残留扫描请求无效。"},
        RouteCase{"uninstall_name_160_code_points", "software.uninstall", "displayName", std::string(160, 'n'), kNoUninstaller},
        RouteCase{"uninstall_name_161_code_points", "software.uninstall", "displayName", std::string(161, 'n'), "软件卸载请求无效。"},
        RouteCase{"uninstall_without_confirmed", "software.uninstall", "confirmed", kRemoved, kFields},
        RouteCase{"refresh_token_31", "software.refresh", "planToken", std::string(31, 't'), "清理计划标识无效。"},
        RouteCase{"refresh_token_32", "software.refresh", "planToken", kToken, kStarted},
        RouteCase{"refresh_token_33", "software.refresh", "planToken", std::string(33, 't'), kFields},
        RouteCase{"reveal_token_31", "software.reveal", "planToken", std::string(31, 't'), "文件位置请求无效，请重新扫描。"},
        RouteCase{"reveal_path_32768", "software.reveal", "path", std::string(32768, 'p'), kNoPlanToReveal},
        RouteCase{"reveal_path_32769", "software.reveal", "path", std::string(32769, 'p'), kFields},
        RouteCase{"cleanup_token_31", "software.cleanup", "planToken", std::string(31, 't'), kCleanupInvalid},
        RouteCase{"cleanup_token_33", "software.cleanup", "planToken", std::string(33, 't'), kFields},
        RouteCase{"cleanup_without_confirmed", "software.cleanup", "confirmed", kRemoved, kFields},
        RouteCase{"cleanup_256_paths", "software.cleanup", "selectedPaths", Paths(256, "C:\\y"), kNoPlanToClean},
        RouteCase{"cleanup_257_paths", "software.cleanup", "selectedPaths", Paths(257, "C:\\y"), kCleanupInvalid},
        RouteCase{"cleanup_path_32768", "software.cleanup", "selectedPaths", Paths(2, std::string(32768, 'p')), kNoPlanToClean},
        RouteCase{"cleanup_path_32769", "software.cleanup", "selectedPaths", Paths(2, std::string(32769, 'p')), kCleanupInvalid},
        RouteCase{"cleanup_empty_path", "software.cleanup", "selectedPaths", Paths(2, ""), kCleanupInvalid},
        RouteCase{"cleanup_path_not_text", "software.cleanup", "selectedPaths", Paths(2, 5), kCleanupInvalid},
        RouteCase{"unknown_type", "software.other", "", nullptr, "暂不支持这个操作。"},
        RouteCase{"list_from_hidden_workbench", "software.list", "", nullptr, "请在已打开的工作台中操作软件卸载工具。", true},
        RouteCase{"cancel_from_hidden_workbench", "software.scan.cancel", "", nullptr, kCancelResult, true}),
    testing::CaseName{});

// The service's own scan, refresh and reveal, through the dispatcher.
TEST(SoftwareScanService, ScanAndRefreshFlowThroughTheDispatcher) {
  RegisteredSoftware program;
  program.id = "HKCU|64|NuboFlowTool";
  program.displayName = "名";
  testing::AppHarness harness;
  harness.softwareSystem = MachineSoftwareSystem();
  harness.softwareSystem->readInstalled = [program](const std::function<bool()>&) {
    return std::vector<RegisteredSoftware>{program};
  };
  harness.StartWithBothWindows();
  const auto send = [&](const std::string& type, const std::string& fields) {
    harness.DashboardView().ClearPosted();
    harness.FromDashboard(R"({"type":")" + type + R"(","payload":{"requestId":"q",)" + fields + "}}");
    harness.PumpUntil([&] {
      harness.app().OnTick();
      return !harness.DashboardView().Posted().empty();
    }, 10000);
    return harness.DashboardView().Posted().empty() ? Json() : ParsedPosts(harness.DashboardView()).back();
  };
  const Json scanned = send("software.scan", R"("softwareId":")" + program.id + R"(","displayName":"名")");
  ASSERT_EQ(scanned["type"], "software.scan.result") << scanned.dump();
  const std::string token = scanned["payload"]["plan"]["token"];
  EXPECT_EQ(token.size(), 32u);
  const auto reveal = [&] { return send("software.reveal", R"("planToken":")" + token + R"(","path":"C:\\nowhere")")["payload"]["message"]; };
  EXPECT_EQ(reveal(), "该路径不在当前计划中或身份已变化，请重新扫描。");
  // Hiding the workbench with no scan running still makes the plan stale, until a refresh.
  harness.app().HideDashboard();
  harness.app().ShowDashboard();
  EXPECT_EQ(reveal(), "扫描计划已失效，请重新扫描后打开位置。");
  EXPECT_EQ(send("software.refresh", R"("planToken":")" + token + R"(")")["payload"]["plan"]["token"], token);
  EXPECT_EQ(reveal(), "该路径不在当前计划中或身份已变化，请重新扫描。");
  EXPECT_EQ(send("software.scan", R"("softwareId":"HKCU|64|Gone","displayName":"名")"),
            Reply("software.scan.error", "q", "软件记录已经变化，请刷新列表后重试。"));
}

}  // namespace
}  // namespace nubo
