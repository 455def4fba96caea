#pragma once

#include <map>
#include <memory>
#include <string>

#include "app/application.h"
#include "tests/support/event_log.h"
#include "tests/support/recording_shell.h"
#include "tests/support/scripted_browser.h"
#include "tests/support/temp_dir.h"

namespace nubo::testing {

// An application in a temporary world: its own application folder, its own
// program folder with a front end, the scripted browser and a recording shell.
class AppHarness {
 public:
  struct Options {
    bool frontEnd = true;          // ui\index.html exists
    bool packagedPicture = false;  // ui\assets\private-default-girl.png exists
    bool onboarded = true;         // the onboarding marker exists (no first run)
    bool keepTickTimer = false;    // leave the one-second timer running
  };

  AppHarness();
  explicit AppHarness(Options options);
  ~AppHarness();
  AppHarness(const AppHarness&) = delete;
  AppHarness& operator=(const AppHarness&) = delete;

  // Builds the application (not yet started).
  Application& Build();
  // Builds if needed, runs the start step and waits until every window that
  // exists has its browser ready.
  Application& Start();
  // Starts with the workbench open too, both browsers ready, and nothing
  // recorded yet.
  Application& StartWithBothWindows();
  // Forgets what was posted to both windows and the event log.
  void ClearRecords();
  Application& app() { return *app_; }
  // Destroys the application and drops the quit message its pet window leaves.
  void Destroy();

  // Processes the messages already queued (browser completions among them).
  void Pump();
  // Pumps until pred holds or the time runs out; returns pred().
  template <typename Pred>
  bool PumpUntil(Pred pred, int timeoutMs = 3000);
  bool WaitForBrowsers();

  ScriptedView& PetView();
  ScriptedView& DashboardView();
  HWND PetHandle();
  HWND DashboardHandle();

  // The front end of a window posts a message (from the app's own origin).
  HRESULT FromPet(const std::string& json);
  HRESULT FromDashboard(const std::string& json);

  std::wstring AppFolder() const;
  std::wstring ProgramFolder() const;
  // Writes a setting straight into the database before Build.
  void PreStoreSetting(const std::string& key, const std::string& value);
  // Every stored setting, read through a connection of the test's own.
  std::map<std::string, std::string> StoredSettings();
  // Runs SQL on the application database through the test's own connection.
  void ExecuteSql(const std::string& sql);
  // Makes every later write of the setting fail with "injected failure".
  void FailWritesOf(const std::string& key);
  void AllowAllWrites();

  Options options;
  TempDir root;
  EventLog log;
  ScriptedBrowser browser{&log};
  BrowserRuntime* runtime = nullptr;  // the scripted browser unless a test names another
  RecordingShell shell{&log};
  FileDialogs dialogs;  // the system's unless a test answers them
  std::optional<SoftwareSystem> softwareSystem;  // the machine's unless a test replaces it
  SoftwareScanCall softwareScan;  // the software service's unless a test replaces it
  std::optional<PortsContext> ports;  // the machine's unless a test replaces them

 private:
  std::unique_ptr<Application> app_;
};

template <typename Pred>
bool AppHarness::PumpUntil(Pred pred, int timeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
  while (!pred()) {
    if (GetTickCount64() > deadline) return pred();
    Pump();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return true;
}

// Every message posted to a window, parsed, in order.
std::vector<nlohmann::json> ParsedPosts(const ScriptedView& view);

}  // namespace nubo::testing
