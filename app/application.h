#pragma once

#include <windows.h>

#include <shellapi.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "characters/wardrobe.h"
#include "datatools/dialogs/dialog_gate.h"
#include "datatools/dialogs/file_dialog_seam.h"
#include "debuggers/modbus/modbus_service.h"
#include "debuggers/mqtt/mqtt_service.h"
#include "debuggers/network/network_service.h"
#include "debuggers/serial/serial_service.h"
#include "maintenance/ports/port_termination.h"
#include "maintenance/software/software_scan_worker.h"
#include "maintenance/software/software_service.h"
#include "store/reminder_store.h"
#include "store/win_handles.h"
#include "ui_bridge/dispatcher.h"
#include "windows/browser_host.h"
#include "windows/desktop_shell.h"
#include "windows/webview_window.h"
#include "windows/window_owner.h"

namespace nubo {

using Json = nlohmann::json;

// Where the application finds its surroundings. Every member left empty or
// null means the real thing: the installed browser runtime, the system's
// desktop services, the local application-data folder and the folder of the
// running program.
struct ApplicationOptions {
  BrowserRuntime* browser = nullptr;
  DesktopShell* shell = nullptr;
  std::wstring knownFolderRoot;
  std::wstring executableDirectory;
  FileDialogs dialogs;  // the system's open and save dialogs unless replaced
  std::optional<SoftwareSystem> softwareSystem;  // the machine's unless replaced
  SoftwareScanCall softwareScan;  // the software service's leftover scan unless replaced
  std::optional<PortsContext> ports;  // the machine's port tables and process id unless replaced
};

// The visibility rule of the pet window.
bool ShouldShowPetWindow(bool dashboardShown, bool petHidden, bool presenting);

// Owns everything: both windows, the store, the services, the tray icon.
// Lives on the main thread from before the message loop until after it.
class Application final : public WindowOwner, private WardrobeListener {
 public:
  explicit Application(HINSTANCE instance, ApplicationOptions options = {});
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  int Run();
  // Everything Run does before the message loop.
  void Start();
  void Quit() override;
  void ShowDashboard();
  void HideDashboard() override;
  void OpenDashboardAt(std::string_view view, std::string_view shortcut);
  void FlushPendingNavigation();
  void UpdatePetVisibility() override;
  void SetPetHidden(bool hidden);
  void OnPresentationFinished() override;
  void SavePetPosition(HWND window) override;
  void ApplyNames();

  // Messages of the front end.
  void HandleWebMessage(WebViewWindow& sender, const std::string& text) override;
  void SendAppError(WebViewWindow& window, std::string_view message);
  void BroadcastAppError(std::string_view message) override;
  void Broadcast(const Json& value);
  void SendStateSync(WebViewWindow* window);
  Json BuildStatePayload();

  // Tray icon and tick.
  void AddTrayIcon();
  void OnTrayMessage(LPARAM lParam) override;
  void ShowTrayMenu();
  void OnTick() override;
  void PlayReminderAlert(const Reminder& reminder);
  void ShowReminderBalloon(const Reminder& reminder);

  // Characters.
  // Loads the icon file at both system sizes and gives it to both windows, the
  // tray icon and the desktop shortcut; a file that does not load changes nothing.
  void ApplyAssistantIcon(const std::wstring& iconPath);

  // Software scan: its reply reaches requester later, on the tick.
  void StartSoftwareScan(HWND requester, const std::string& requestId, const std::string& softwareId,
                         const std::string& displayName, const std::string& token);
  void CancelSoftwareScan(bool wait);
  void DeliverSoftwareScanResult();

  // Read by the windows.
  BrowserRuntime& Browser() override { return *browser_; }
  DesktopShell& Shell() override { return *shell_; }
  const std::wstring& UiFolder() const override { return uiFolder_; }
  const std::wstring& BrowserDataFolder() const override { return browserDataFolder_; }
  const std::wstring& CharactersFolder() const override { return charactersFolder_; }
  const std::string& PetName() const override { return petName_; }
  bool HasPetPosition() const override { return hasPetPosition_; }
  POINT PetPosition() const override { return POINT{petX_, petY_}; }
  bool IsShuttingDown() const { return shuttingDown_; }
  bool IsFirstRun() const { return firstRun_; }
  WebViewWindow* PetWindow() { return petWindow_.get(); }
  WebViewWindow* DashboardWindow() { return dashboardWindow_.get(); }
  ReminderStore& Store() { return store_; }
  bool IsDashboardShown() const;
  HICON CustomLargeIcon() const { return customLargeIcon_.get(); }
  HICON CustomSmallIcon() const { return customSmallIcon_.get(); }
  const std::wstring& CustomIconFile() const { return customIconFile_; }

 private:
  void LoadStoredSettings();
  void ReadStoredSettings();
  void StopCommunicationServices();
  bool IsPetWindowVisible() const;
  void PostToBoth(const std::string& text);
  void SendToWindow(WebViewWindow& window, const Json& message);
  void HandleRequest(WebViewWindow& sender, const std::string& text, const Json& document);
  static std::span<const RouteRow<Application>> Routes();

  // Application message handlers.
  void OnSettingsUpdate(const Json& payload);
  void OnNavigationUpdate(WebViewWindow& sender, const Json& payload);
  void OnAppReady(WebViewWindow& sender, const Json& payload);
  void OnPetMenu(WebViewWindow& sender, const Json& payload);
  void OnOpenShortcutSettings(WebViewWindow& sender, const Json& payload);
  Json OnShortcutsSave(WebViewWindow& sender, const RouteRequest& request);
  void OnShortcutsOpen(WebViewWindow& sender, const Json& payload);
  void OnPetAction(WebViewWindow& sender, const Json& payload);
  void OnReminderCreate(WebViewWindow& sender, const Json& payload);
  void OnReminderComplete(const Json& payload);
  void OnReminderDelete(const Json& payload);
  void OnReminderSnooze(const Json& payload);
  void DismissPresentedReminder(int64_t id, bool announce);

  // Wardrobe requests.
  void OnCharacterUpload(const Json& payload);
  void OnCharacterActivate(const Json& payload);
  void OnCharacterIconUpdate(const Json& payload);
  void OnCharacterDelete(const Json& payload);
  void OnWardrobeChanged() override;

  HINSTANCE instance_;
  // Surroundings (see ApplicationOptions); declared first so they outlive the rest.
  std::unique_ptr<DesktopShell> ownedShell_;
  DesktopShell* shell_ = nullptr;
  BrowserRuntime* browser_ = nullptr;

  std::unique_ptr<WebViewWindow> petWindow_;
  std::unique_ptr<WebViewWindow> dashboardWindow_;
  ReminderStore store_;
  SoftwareService softwareService_;

  SoftwareScanWorker scanWorker_;
  SoftwareScanOutlet ScanOutlet();

  // The file dialogs, and the gate that lets one be open at a time. A quit
  // asked for while one is open waits until it has closed.
  FileDialogs fileDialogs_;
  DialogGate dialogGate_;
  bool quitAfterDialog_ = false;

  // The port tables and this process's id, for the ports list and its guard.
  PortsContext portsContext_;

  NetworkService networkService_;
  SerialService serialService_;
  MqttService mqttService_;
  ModbusService modbusService_;

  std::wstring uiFolder_;
  std::wstring browserDataFolder_;
  std::wstring charactersFolder_;
  std::wstring onboardingMarker_;
  std::wstring customIconFile_;
  std::wstring databaseFile_;
  Wardrobe wardrobe_{store_, uiFolder_, charactersFolder_, *this};

  int32_t petX_ = 0;
  int32_t petY_ = 0;
  bool hasPetPosition_ = false;

  int64_t presentedReminderId_ = 0;
  bool hasPresentedReminder_ = false;

  std::string petName_;
  bool soundEnabled_ = true;
  bool speechEnabled_ = false;
  std::string financeWebsiteUrl_;
  std::string learningWebsiteUrl_;
  bool dashboardUiReady_ = false;
  std::string pendingView_;
  std::string pendingShortcut_;
  std::string workspaceTheme_;
  std::string workspaceTextSize_;
  bool openLastView_ = true;
  std::string lastView_;
  std::string lastCategory_;

  NOTIFYICONDATAW trayData_{};
  bool trayIconAdded_ = false;
  // Declared large first: the small one is destroyed first.
  IconHandle customLargeIcon_;
  IconHandle customSmallIcon_;

  bool firstRun_ = false;
  bool petHiddenByUser_ = false;
  bool presentationSuppressed_ = false;
  bool shuttingDown_ = false;
};

}  // namespace nubo
