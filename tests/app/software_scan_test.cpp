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

TEST_F(SoftwareScanTest, ScanAndRefreshRepliesArriveOnTheNextTickOnce) {
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

  harness_.DashboardView().ClearPosted();
  harness_.FromDashboard(R"({"type":"software.refresh","payload":{"requestId":"r2","planToken":")" + kToken + R"("}})");
  scan_.releases = 1;
  ASSERT_TRUE(TickUntilPosted());
  EXPECT_EQ(Posts().at(0)["type"], "software.refresh.result");
  EXPECT_EQ(scan_.job.token, kToken);
  EXPECT_EQ(scan_.job.softwareId, "");
}

TEST_F(SoftwareScanTest, CancelAnswersOnceAndTheFinishedPlanNeverShows) {
  harness_.FromDashboard(kScan);
  ASSERT_TRUE(Until([&] { return scan_.entered == 1; }));
  harness_.FromDashboard(R"({"type":"software.scan.cancel","payload":{"requestId":"c1"}})");
  const Json cancelled = Reply("software.scan.error", "r1", "扫描已取消。");
  EXPECT_EQ(Posts(), (std::vector<Json>{cancelled, {{"type", "software.scan.cancel.result"}, {"payload", {{"requestId", "c1"}}}}}));

  // The cancelled worker is still ending: a new scan is refused.
  harness_.DashboardView().ClearPosted();
  harness_.FromDashboard(kScan);
  EXPECT_EQ(Posts(), std::vector<Json>{Reply("software.scan.error", "r1", "扫描仍在进行，请等待完成或先取消扫描。")});
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

// The service's own scan and refresh, through the dispatcher.
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
  EXPECT_EQ(send("software.refresh", R"("planToken":")" + token + R"(")")["payload"]["plan"]["token"], token);
  EXPECT_EQ(send("software.scan", R"("softwareId":"HKCU|64|Gone","displayName":"名")"),
            Reply("software.scan.error", "q", "软件记录已经变化，请刷新列表后重试。"));
}

}  // namespace
}  // namespace nubo
