#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <stdexcept>

#include "maintenance/software/software_inventory.h"
#include "maintenance/software/software_service.h"
#include "tests/support/app_harness.h"
#include "tests/support/case_name.h"
#include "tests/support/import_patch.h"

namespace nubo {
namespace {

using testing::AppHarness;
using testing::ParsedPosts;
using namespace std::chrono_literals;

const std::string kToken(32, 'a');

// A scan the test steers: each one waits until the test releases it (or,
// when told so, until its request is stale, as the budget's check would
// notice), then answers as scripted.
class SteeredScan {
 public:
  enum class Answer { kPlan, kStandardError, kOtherException };

  SoftwareScanCall Call() {
    return [this](const SoftwareScanJob& job, const std::function<bool()>& stale) {
      std::unique_lock lock(mutex_);
      jobs_.push_back(job);
      changed_.notify_all();
      while (releases_ == 0 && !(endWhenStale_ && stale())) changed_.wait_for(lock, 5ms);
      if (releases_ > 0) --releases_;
      ++returned_;
      changed_.notify_all();
      if (answer_ == Answer::kStandardError) throw std::runtime_error("部分扫描根不可读。");
      if (answer_ == Answer::kOtherException) throw 7;
      return Plan();
    };
  }
  void Release() {
    std::lock_guard lock(mutex_);
    ++releases_;
    changed_.notify_all();
  }
  void SetAnswer(Answer answer) { answer_ = answer; }
  // Lets every scan, present and future, end.
  void ReleaseAll() {
    std::lock_guard lock(mutex_);
    releases_ = 1000;
    changed_.notify_all();
  }
  void EndWhenStale() { endWhenStale_ = true; }
  // The scan has been called (a cancel before it would skip it).
  bool WaitEntered(size_t count) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, 5s, [&] { return jobs_.size() >= count; });
  }
  bool WaitReturned(int count) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, 5s, [&] { return returned_ >= count; });
  }
  int Returned() {
    std::lock_guard lock(mutex_);
    return returned_;
  }
  std::vector<SoftwareScanJob> Jobs() {
    std::lock_guard lock(mutex_);
    return jobs_;
  }
  static SoftwareCleanupPlan Plan() {
    SoftwareCleanupPlan plan;
    plan.token = kToken;
    plan.softwareId = "app-id";
    plan.displayName = "小工具";
    plan.scanWarnings = {"扫描达到时间上限，结果可能不完整。"};
    return plan;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<SoftwareScanJob> jobs_;
  int releases_ = 0;
  int returned_ = 0;
  bool endWhenStale_ = false;
  Answer answer_ = Answer::kPlan;
};

std::string ScanMessage(const std::string& requestId) {
  return R"({"type":"software.scan","payload":{"requestId":")" + requestId +
         R"(","softwareId":"app-id","displayName":"小工具"}})";
}

nlohmann::json CancelledReply(const std::string& type, const std::string& requestId) {
  return {{"type", type + ".error"}, {"payload", {{"requestId", requestId}, {"message", "扫描已取消。"}}}};
}

class SoftwareScanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    harness_.softwareScan = scan_.Call();
    harness_.StartWithBothWindows();
  }
  void TearDown() override { scan_.ReleaseAll(); }
  Application& app() { return harness_.app(); }
  std::vector<nlohmann::json> Posts() { return ParsedPosts(harness_.DashboardView()); }
  // Ticks until the worker has ended and a new scan may start.
  bool TickUntilIdle() {
    return harness_.PumpUntil([&] {
      app().OnTick();
      try {
        app().StartSoftwareScan(harness_.DashboardHandle(), "probe", "app-id", "小工具", "");
        return true;
      } catch (const std::runtime_error&) {
        return false;
      }
    });
  }

  SteeredScan scan_;
  AppHarness harness_;
};

struct RequestCase {
  const char* name;
  std::string message;
  std::string replyType;
  SoftwareScanJob job;  // the worker's copies
};

class ScanReplies : public SoftwareScanTest, public ::testing::WithParamInterface<RequestCase> {};

TEST_P(ScanReplies, ArriveOnTheNextTickExactlyOnce) {
  const RequestCase& c = GetParam();
  harness_.FromDashboard(c.message);
  scan_.Release();
  ASSERT_TRUE(scan_.WaitReturned(1));
  Sleep(100);
  harness_.Pump();
  EXPECT_TRUE(Posts().empty());  // only the tick posts it
  ASSERT_TRUE(harness_.PumpUntil([&] {
    app().OnTick();
    return !Posts().empty();
  }));
  app().OnTick();
  const nlohmann::json expected = {
      {"type", c.replyType}, {"payload", {{"requestId", "r1"}, {"plan", SoftwareCleanupPlanToJson(SteeredScan::Plan())}}}};
  EXPECT_EQ(Posts(), std::vector<nlohmann::json>{expected});
  EXPECT_TRUE(harness_.PetView().Posted().empty());
  const std::vector<SoftwareScanJob> jobs = scan_.Jobs();
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_EQ(jobs[0].requestId, c.job.requestId);
  EXPECT_EQ(jobs[0].softwareId, c.job.softwareId);
  EXPECT_EQ(jobs[0].displayName, c.job.displayName);
  EXPECT_EQ(jobs[0].token, c.job.token);
}

INSTANTIATE_TEST_SUITE_P(
    Worker, ScanReplies,
    ::testing::Values(RequestCase{"scan", ScanMessage("r1"), "software.scan.result", {"r1", "app-id", "小工具", ""}},
                      RequestCase{"refresh",
                                  R"({"type":"software.refresh","payload":{"requestId":"r1","planToken":")" +
                                      kToken + R"("}})",
                                  "software.refresh.result",
                                  {"r1", "", "", kToken}}),
    testing::CaseName{});

TEST_F(SoftwareScanTest, CancelAnswersOnceAndTheFinishedPlanNeverShows) {
  harness_.FromDashboard(ScanMessage("r1"));
  ASSERT_TRUE(scan_.WaitEntered(1));
  harness_.FromDashboard(R"({"type":"software.scan.cancel","payload":{"requestId":"c1"}})");
  const nlohmann::json cancelResult = {{"type", "software.scan.cancel.result"}, {"payload", {{"requestId", "c1"}}}};
  EXPECT_EQ(Posts(), (std::vector<nlohmann::json>{CancelledReply("software.scan", "r1"), cancelResult}));

  // The cancelled worker has not ended yet: a new scan is refused.
  harness_.DashboardView().ClearPosted();
  harness_.FromDashboard(ScanMessage("r2"));
  const nlohmann::json stillRunning = {
      {"type", "software.scan.error"},
      {"payload", {{"requestId", "r2"}, {"message", "扫描仍在进行，请等待完成或先取消扫描。"}}}};
  EXPECT_EQ(Posts(), std::vector<nlohmann::json>{stillRunning});
  try {
    app().StartSoftwareScan(harness_.DashboardHandle(), "r3", "app-id", "小工具", "");
    ADD_FAILURE() << "a second start was accepted";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "请先取消正在进行的扫描。");
  }

  // The worker completes its plan after the cancel: nothing more is posted.
  harness_.DashboardView().ClearPosted();
  scan_.Release();
  ASSERT_TRUE(TickUntilIdle());
  EXPECT_TRUE(Posts().empty());
  // The next scan's own reply still arrives.
  scan_.Release();
  ASSERT_TRUE(harness_.PumpUntil([&] {
    app().OnTick();
    return !Posts().empty();
  }));
  EXPECT_EQ(Posts().at(0)["payload"]["requestId"], "probe");
  EXPECT_EQ(Posts().at(0)["type"], "software.scan.result");
}

TEST_F(SoftwareScanTest, HidingTheWorkbenchCancelsAndShowingItBringsNoLateResult) {
  harness_.FromDashboard(ScanMessage("r1"));
  ASSERT_TRUE(scan_.WaitEntered(1));
  app().HideDashboard();
  EXPECT_EQ(Posts(), std::vector<nlohmann::json>{CancelledReply("software.scan", "r1")});
  scan_.Release();
  ASSERT_TRUE(scan_.WaitReturned(1));
  app().ShowDashboard();
  harness_.DashboardView().ClearPosted();
  ASSERT_TRUE(TickUntilIdle());
  EXPECT_TRUE(Posts().empty());
}

TEST_F(SoftwareScanTest, AReplyForAHiddenWorkbenchIsDropped) {
  harness_.FromDashboard(ScanMessage("r1"));
  scan_.Release();
  ASSERT_TRUE(scan_.WaitReturned(1));
  ShowWindow(harness_.DashboardHandle(), SW_HIDE);  // hidden without the cancel of HideDashboard
  ASSERT_TRUE(TickUntilIdle());
  ShowWindow(harness_.DashboardHandle(), SW_SHOW);
  app().OnTick();
  EXPECT_TRUE(Posts().empty());
}

TEST_F(SoftwareScanTest, QuitPostsNothingAndWaitsForTheWorker) {
  scan_.EndWhenStale();
  harness_.FromDashboard(ScanMessage("r1"));
  ASSERT_TRUE(scan_.WaitEntered(1));
  harness_.log.Clear();
  app().Quit();
  EXPECT_EQ(scan_.Returned(), 1);  // joined before Quit returned
  app().OnTick();
  for (const std::string& entry : harness_.log.Entries()) EXPECT_EQ(entry.find("software."), std::string::npos) << entry;
}

HRESULT WINAPI FailingCoInitializeEx(LPVOID, DWORD) { return E_OUTOFMEMORY; }

struct FailureCase {
  const char* name;
  SteeredScan::Answer answer;
  bool comFails;
  std::string message;
};

class ScanFailures : public SoftwareScanTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(ScanFailures, BecomeTheRequestsError) {
  const FailureCase& c = GetParam();
  scan_.SetAnswer(c.answer);
  scan_.Release();
  {
    std::optional<testing::ImportPatch> patch;
    if (c.comFails) patch.emplace("ole32.dll", "CoInitializeEx", reinterpret_cast<void*>(&FailingCoInitializeEx));
    harness_.FromDashboard(ScanMessage("r1"));
    ASSERT_TRUE(harness_.PumpUntil([&] {
      app().OnTick();
      return !Posts().empty();
    }));
  }
  const nlohmann::json expected = {{"type", "software.scan.error"},
                                   {"payload", {{"requestId", "r1"}, {"message", c.message}}}};
  EXPECT_EQ(Posts(), std::vector<nlohmann::json>{expected});
  EXPECT_EQ(scan_.Jobs().size(), c.comFails ? 0u : 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Worker, ScanFailures,
    ::testing::Values(FailureCase{"com_unavailable", SteeredScan::Answer::kPlan, true, "无法初始化快捷方式扫描服务。"},
                      FailureCase{"service_failure", SteeredScan::Answer::kStandardError, false, "部分扫描根不可读。"},
                      FailureCase{"other_exception", SteeredScan::Answer::kOtherException, false,
                                  "扫描未完成，请重试。"}),
    testing::CaseName{});

// The service's own scan, refresh and cancel, through the dispatcher.
TEST(SoftwareScanService, ScanRefreshAndCancelFlowThroughTheDispatcher) {
  RegisteredSoftware program;
  program.id = "HKCU|64|NuboFlowTool";
  program.displayName = "流程工具";
  AppHarness harness;
  harness.softwareSystem = MachineSoftwareSystem();
  harness.softwareSystem->readInstalled = [program](const std::function<bool()>&) {
    return std::vector<RegisteredSoftware>{program};
  };
  harness.StartWithBothWindows();
  const auto reply = [&] {
    const bool posted = harness.PumpUntil(
        [&] {
          harness.app().OnTick();
          return !harness.DashboardView().Posted().empty();
        },
        10000);
    const nlohmann::json last = posted ? ParsedPosts(harness.DashboardView()).back() : nlohmann::json();
    harness.DashboardView().ClearPosted();
    return last;
  };
  const auto error = [](const std::string& type, const std::string& requestId, const std::string& message) {
    return nlohmann::json{{"type", type}, {"payload", {{"requestId", requestId}, {"message", message}}}};
  };

  harness.FromDashboard(R"({"type":"software.scan","payload":{"requestId":"s","softwareId":")" + program.id +
                        R"(","displayName":"流程工具"}})");
  const nlohmann::json scanned = reply();
  ASSERT_EQ(scanned["type"], "software.scan.result") << scanned.dump();
  EXPECT_EQ(scanned["payload"]["requestId"], "s");
  const std::string token = scanned["payload"]["plan"]["token"];
  EXPECT_EQ(token.size(), 32u);

  harness.FromDashboard(R"({"type":"software.refresh","payload":{"requestId":"f","planToken":")" + token + R"("}})");
  const nlohmann::json refreshed = reply();
  EXPECT_EQ(refreshed["type"], "software.refresh.result") << refreshed.dump();
  EXPECT_EQ(refreshed["payload"]["plan"]["token"], token);

  harness.FromDashboard(R"({"type":"software.scan.cancel","payload":{"requestId":"c"}})");
  EXPECT_EQ(reply(), (nlohmann::json{{"type", "software.scan.cancel.result"}, {"payload", {{"requestId", "c"}}}}));

  // A scan of a program no longer registered fails, and drops the old plan.
  harness.FromDashboard(R"({"type":"software.scan","payload":{"requestId":"g","softwareId":"HKCU|64|Gone","displayName":"流程工具"}})");
  EXPECT_EQ(reply(), error("software.scan.error", "g", "软件记录已经变化，请刷新列表后重试。"));
  harness.FromDashboard(R"({"type":"software.refresh","payload":{"requestId":"o","planToken":")" + token + R"("}})");
  EXPECT_EQ(reply(), error("software.refresh.error", "o", "扫描计划已失效，请重新扫描。"));
}

}  // namespace
}  // namespace nubo
