#include "tests/support/app_harness.h"

#include <stdexcept>

#include "store/app_files.h"
#include "store/file_utils.h"
#include "store/reminder_store.h"
#include "store/sqlite_handles.h"
#include "store/text_convert.h"
#include "windows/window_constants.h"

namespace nubo::testing {
namespace {

class TestConnection {
 public:
  explicit TestConnection(const std::wstring& path) {
    if (sqlite3_open_v2(Utf16ToUtf8(path).c_str(), db_.out(), SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
      throw std::runtime_error("cannot open the test database");
    }
    sqlite3_busy_timeout(db_.get(), 5000);
  }

  void Execute(const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db_.get(), sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
      const std::string message = error != nullptr ? error : "sqlite error";
      sqlite3_free(error);
      throw std::runtime_error(message);
    }
  }
  sqlite3* get() const { return db_.get(); }

 private:
  SqliteConnection db_;
};

}  // namespace

AppHarness::AppHarness() : AppHarness(Options{}) {}

AppHarness::AppHarness(Options harnessOptions) : options(harnessOptions) {
  EnsureDirectory(ProgramFolder());
  if (options.frontEnd) {
    EnsureDirectory(JoinPath(ProgramFolder(), L"ui\\assets"));
    WriteWholeFile(JoinPath(ProgramFolder(), L"ui\\index.html"), "<!doctype html>");
    WriteWholeFile(JoinPath(ProgramFolder(), L"ui\\assets\\nubo-sprite.png"), "png");
    if (options.packagedPicture) {
      WriteWholeFile(JoinPath(ProgramFolder(), L"ui\\assets\\private-default-girl.png"), "png");
    }
  }
  EnsureDirectory(AppFolder());
  if (options.onboarded) {
    WriteWholeFile(JoinPath(AppFolder(), kOnboardingMarkerFileName), kOnboardingMarkerContent);
  }
}

AppHarness::~AppHarness() { Destroy(); }

std::wstring AppHarness::AppFolder() const { return JoinPath(root.path(), kAppFolderName); }

std::wstring AppHarness::ProgramFolder() const { return JoinPath(root.path(), L"program"); }

void AppHarness::PreStoreSetting(const std::string& key, const std::string& value) {
  ReminderStore store;
  store.Open(JoinPath(AppFolder(), kDatabaseFileName));
  store.PutSetting(key, value);
}

std::map<std::string, std::string> AppHarness::StoredSettings() {
  TestConnection connection(JoinPath(AppFolder(), kDatabaseFileName));
  std::map<std::string, std::string> settings;
  SqliteStatement statement;
  sqlite3_prepare_v2(connection.get(), "SELECT key, value FROM app_settings;", -1, statement.out(), nullptr);
  while (sqlite3_step(statement.get()) == SQLITE_ROW) {
    settings[ColumnText(statement.get(), 0)] = ColumnText(statement.get(), 1);
  }
  return settings;
}

void AppHarness::ExecuteSql(const std::string& sql) {
  TestConnection connection(JoinPath(AppFolder(), kDatabaseFileName));
  connection.Execute(sql);
}

void AppHarness::FailWritesOf(const std::string& key) {
  for (const char* event : {"INSERT", "UPDATE"}) {
    ExecuteSql(std::string("CREATE TRIGGER IF NOT EXISTS injected_") + event + " BEFORE " + event +
               " ON app_settings WHEN NEW.key = '" + key +
               "' BEGIN SELECT RAISE(ABORT, 'injected failure'); END;");
  }
}

void AppHarness::AllowAllWrites() {
  ExecuteSql("DROP TRIGGER IF EXISTS injected_INSERT; DROP TRIGGER IF EXISTS injected_UPDATE;");
}

Application& AppHarness::Build() {
  if (!app_) {
    ApplicationOptions appOptions;
    appOptions.browser = runtime != nullptr ? runtime : &browser;
    appOptions.shell = &shell;
    appOptions.knownFolderRoot = root.path();
    appOptions.executableDirectory = ProgramFolder();
    appOptions.dialogs = dialogs;
    appOptions.softwareSystem = softwareSystem;
    appOptions.softwareScan = softwareScan;
    appOptions.ports = ports;
    app_ = std::make_unique<Application>(GetModuleHandleW(nullptr), appOptions);
  }
  return *app_;
}

Application& AppHarness::Start() {
  Build();
  app_->Start();
  if (!options.keepTickTimer && app_->PetWindow() != nullptr) {
    KillTimer(app_->PetWindow()->Handle(), kTickTimerId);
  }
  WaitForBrowsers();
  return *app_;
}

Application& AppHarness::StartWithBothWindows() {
  Start();
  app_->ShowDashboard();
  WaitForBrowsers();
  ClearRecords();
  return *app_;
}

void AppHarness::ClearRecords() {
  log.Clear();
  shell.notifications.clear();
  for (WebViewWindow* window : {app_->PetWindow(), app_->DashboardWindow()}) {
    if (window == nullptr || window->Handle() == nullptr) continue;
    if (ScriptedView* view = browser.ViewOf(window->Handle())) view->ClearPosted();
  }
}

bool AppHarness::WaitForBrowsers() {
  return PumpUntil([this] {
    for (WebViewWindow* window : {app_->PetWindow(), app_->DashboardWindow()}) {
      if (window != nullptr && window->Handle() != nullptr && !window->IsBrowserReady()) return false;
    }
    return true;
  });
}

void AppHarness::Destroy() {
  app_.reset();
  MSG message{};
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
  }
}

void AppHarness::Pump() {
  MSG message{};
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

HWND AppHarness::PetHandle() { return app_->PetWindow()->Handle(); }

HWND AppHarness::DashboardHandle() {
  return app_->DashboardWindow() != nullptr ? app_->DashboardWindow()->Handle() : nullptr;
}

ScriptedView& AppHarness::PetView() { return *browser.ViewOf(PetHandle()); }

ScriptedView& AppHarness::DashboardView() { return *browser.ViewOf(DashboardHandle()); }

HRESULT AppHarness::FromPet(const std::string& json) {
  return PetView().InjectWebMessage(L"https://ui.nubo.example/index.html?mode=pet",
                                    nubo::Utf8ToUtf16(json));
}

HRESULT AppHarness::FromDashboard(const std::string& json) {
  return DashboardView().InjectWebMessage(L"https://ui.nubo.example/index.html?mode=dashboard",
                                          nubo::Utf8ToUtf16(json));
}

std::vector<nlohmann::json> ParsedPosts(const ScriptedView& view) {
  std::vector<nlohmann::json> parsed;
  for (const std::string& text : view.Posted()) parsed.push_back(nlohmann::json::parse(text));
  return parsed;
}

}  // namespace nubo::testing
