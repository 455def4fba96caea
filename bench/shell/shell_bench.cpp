// Figures of the application shell under Wine:
//   start-up: from process creation to the tray icon being added;
//   dispatch: "app.ready" answered with state.sync while 200 reminders are open.
#include <windows.h>

#include <chrono>
#include <cstdio>

#include "tests/support/app_harness.h"

namespace {

using nubo::testing::AppHarness;

double MillisecondsSinceProcessStart() {
  FILETIME created{}, exited{}, kernel{}, user{};
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  FILETIME now{};
  GetSystemTimePreciseAsFileTime(&now);
  const auto toTicks = [](const FILETIME& t) {
    return (static_cast<int64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  return static_cast<double>(toTicks(now) - toTicks(created)) / 10000.0;
}

class TimingShell final : public nubo::testing::RecordingShell {
 public:
  bool NotifyIcon(DWORD message, NOTIFYICONDATAW& data) override {
    if (message == NIM_ADD && trayAddedAtMs < 0) trayAddedAtMs = MillisecondsSinceProcessStart();
    return RecordingShell::NotifyIcon(message, data);
  }
  double trayAddedAtMs = -1;
};

}  // namespace

int main() {
  // Start-up to the tray icon, in a fresh application folder with the real
  // system shell replaced only for the timing of the tray call.
  double startupMs = 0;
  const double mainAtMs = MillisecondsSinceProcessStart();
  double constructedAtMs = 0;
  {
    AppHarness harness;
    TimingShell shell;
    nubo::ApplicationOptions options;
    options.browser = &harness.browser;
    options.shell = &shell;
    options.knownFolderRoot = harness.root.path();
    options.executableDirectory = harness.ProgramFolder();
    nubo::Application app(GetModuleHandleW(nullptr), options);
    constructedAtMs = MillisecondsSinceProcessStart();
    app.Start();
    startupMs = shell.trayAddedAtMs;
    app.Quit();
  }

  // app.ready to state.sync with 200 open reminders.
  AppHarness harness;
  harness.Start();
  for (int i = 0; i < 200; ++i) {
    harness.app().Store().CreateReminder("提醒事项 " + std::to_string(i), 1'900'000'000'000 + i * 60'000,
                                         i % 2 ? "daily" : "none", "normal");
  }
  const std::string ready = R"({"type":"app.ready","payload":{}})";
  constexpr int kRounds = 500;
  for (int i = 0; i < 20; ++i) harness.FromPet(ready);  // warm up
  harness.PetView().ClearPosted();
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kRounds; ++i) harness.FromPet(ready);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  const double dispatchMs =
      std::chrono::duration<double, std::milli>(elapsed).count() / kRounds;
  const size_t bytes = harness.PetView().Posted().back().size();

  std::printf("start-up to tray icon:            %8.1f ms (target < 250 ms)\n", startupMs);
  std::printf("  of which: process loading to main %.1f ms, application built %.1f ms, windows and tray %.1f ms\n",
              mainAtMs, constructedAtMs - mainAtMs, startupMs - constructedAtMs);
  std::printf("app.ready -> state.sync, 200 due: %8.3f ms (target < 2 ms), %zu bytes\n", dispatchMs, bytes);
  return 0;
}
