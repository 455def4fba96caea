#include <gtest/gtest.h>

#include "maintenance/software/software_service.h"
#include "store/text_convert.h"
#include "tests/support/app_harness.h"

namespace nubo {
namespace {

using testing::ParsedPosts;

// The Shell's move pumps messages: a quit from the tray menu arrives inside
// the cleanup and waits until the cleanup has answered.
TEST(SoftwareCleanupQuit, AQuitDuringTheMoveWaitsForTheAnswer) {
  testing::AppHarness harness;
  const std::wstring install = harness.root.file(L"QuitProbe");
  CreateDirectoryW(install.c_str(), nullptr);
  RegisteredSoftware program;
  program.id = "HKCU|64|QuitProbe";
  program.displayName = "QuitProbe";
  program.installLocation = Utf16ToUtf8(install);
  std::vector<RegisteredSoftware> installed{program};
  bool shuttingDownInside = true;
  harness.softwareSystem = MachineSoftwareSystem();
  harness.softwareSystem->readInstalled = [&](const std::function<bool()>&) { return installed; };
  harness.softwareSystem->moveToRecycleBin = [&](const std::wstring& path) {
    harness.app().Quit();
    shuttingDownInside = harness.app().IsShuttingDown();
    return MoveFileW(path.c_str(), (path + L".moved").c_str()) != 0;
  };
  harness.StartWithBothWindows();
  harness.FromDashboard(
      R"({"type":"software.scan","payload":{"requestId":"s","softwareId":"HKCU|64|QuitProbe","displayName":"QuitProbe"}})");
  ASSERT_TRUE(harness.PumpUntil(
      [&] {
        harness.app().OnTick();
        return !harness.DashboardView().Posted().empty();
      },
      10000));
  const nlohmann::json plan = ParsedPosts(harness.DashboardView()).back()["payload"]["plan"];
  ASSERT_EQ(plan["residuals"].size(), 1u) << plan.dump();

  installed.clear();
  testing::ScriptedView& view = harness.DashboardView();
  view.ClearPosted();
  harness.FromDashboard(nlohmann::json{{"type", "software.cleanup"},
                                       {"payload",
                                        {{"requestId", "c"},
                                         {"planToken", plan["token"]},
                                         {"typedName", "QuitProbe"},
                                         {"selectedPaths", {plan["residuals"][0]["path"]}},
                                         {"confirmed", true}}}}
                            .dump());
  EXPECT_FALSE(shuttingDownInside);
  EXPECT_EQ(ParsedPosts(view).back()["type"], "software.cleanup.result");
  EXPECT_TRUE(harness.app().IsShuttingDown());
}

}  // namespace
}  // namespace nubo
