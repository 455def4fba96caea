#pragma once

#include <windows.h>

#include <shellapi.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "app/desktop_shell.h"
#include "characters/character_record.h"
#include "datatools/dialogs/dialog_gate.h"
#include "datatools/dialogs/file_dialog_seam.h"
#include "debuggers/modbus/modbus_service.h"
#include "debuggers/mqtt/mqtt_service.h"
#include "debuggers/network/network_service.h"
#include "debuggers/serial/serial_service.h"
#include "maintenance/ports/port_termination.h"
#include "maintenance/software/software_service.h"
#include "store/reminder_store.h"
#include "ui_bridge/dispatcher.h"
#include "windows/browser_host.h"
#include "windows/webview_window.h"

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
};

// The visibility rule of the pet window.
bool ShouldShowPetWindow(bool dashboardShown, bool petHidden, bool presenting);

// Owns everything: both windows, the store, the services, the tray icon.
// Lives on the main thread from before the message loop until after it.
class Application {
 public:
  explicit Application(HINSTANCE instance, ApplicationOptions options = {});
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  int Run();
  // Everything Run does before the message loop.
  void Start();
  void Quit();
  void ShowDashboard();
  void HideDashboard();
  void OpenDashboardAt(std::string_view view, std::string_view shortcut);
  void FlushPendingNavigation();
  void UpdatePetVisibility();
  void SetPetHidden(bool hidden);
  void OnPresentationFinished();
  void SavePetPosition(HWND window);
  void ApplyNames();

  // Messages of the front end.
  void HandleWebMessage(WebViewWindow& sender, const std::string& text);
  void SendAppError(WebViewWindow& window, std::string_view message);
  void Broadcast(const Json& value);
  void SendStateSync(WebViewWindow* window);
  Json BuildStatePayload();

  // Tray icon and tick.
  void AddTrayIcon();
  void OnTrayMessage(LPARAM lParam);
  void ShowTrayMenu();
  void OnTick();
  void PlayReminderAlert(const Reminder& reminder);
  void ShowReminderBalloon(const Reminder& reminder);

  // Characters.
  std::string DefaultCharacterId() const;
  bool HasPackagedDefaultCharacter() const;
  bool IsKnownCharacterId(std::string_view id) const;
  // Stores characters.list (only once the stored wardrobe was read), then
  // characters.active.
  void SaveCharacters();
  // Loads the icon file at both system sizes and gives it to both windows, the
  // tray icon and the desktop shortcut; a file that does not load changes nothing.
  void ApplyAssistantIcon(const std::wstring& iconPath);

  // Software scan.
  void CancelSoftwareScan(bool wait);
  void DeliverSoftwareScanResult();

  // Read by the windows.
  BrowserRuntime& Browser() { return *browser_; }
  DesktopShell& Shell() { return *shell_; }
  const std::wstring& UiFolder() const { return uiFolder_; }
  const std::wstring& BrowserDataFolder() const { return browserDataFolder_; }
  const std::wstring& CharactersFolder() const { return charactersFolder_; }
  const std::string& PetName() const { return petName_; }
  bool HasPetPosition() const { return hasPetPosition_; }
  POINT PetPosition() const { return POINT{petX_, petY_}; }
  bool IsShuttingDown() const { return shuttingDown_; }
  bool IsFirstRun() const { return firstRun_; }
  WebViewWindow* PetWindow() { return petWindow_.get(); }
  WebViewWindow* DashboardWindow() { return dashboardWindow_.get(); }
  ReminderStore& Store() { return store_; }
  bool IsDashboardShown() const;
  HICON CustomLargeIcon() const { return customLargeIcon_; }
  HICON CustomSmallIcon() const { return customSmallIcon_; }
  const std::wstring& CustomIconFile() const { return customIconFile_; }

 private:
  void LoadStoredSettings();
  void ReadStoredSettings();
  void LoadCharacters();
  void StopCommunicationServices();
  bool IsPetWindowVisible() const;
  void PostToBoth(const std::string& text);
  void SendToWindow(WebViewWindow& window, const Json& message);
  void HandleRequest(WebViewWindow& sender, const std::string& text, const Json& document);
  static std::span<const RouteRow<Application>> Routes();
  Json RouteDevice(WebViewWindow& sender, const RouteRequest& request);
  Json RouteNetwork(WebViewWindow& sender, const RouteRequest& request);
  Json RoutePorts(WebViewWindow& sender, const RouteRequest& request);
  Json RouteSoftware(WebViewWindow& sender, const RouteRequest& request);
  Json RouteImage(WebViewWindow& sender, const RouteRequest& request);
  Json RouteDatabase(WebViewWindow& sender, const RouteRequest& request);

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
  void RestoreWardrobe(std::vector<CharacterRecord> characters, std::string activeId);
  std::wstring CharacterIconPath(std::string_view id) const;

  HINSTANCE instance_;
  // Surroundings (see ApplicationOptions); declared first so they outlive the rest.
  std::unique_ptr<DesktopShell> ownedShell_;
  DesktopShell* shell_ = nullptr;
  BrowserRuntime* browser_ = nullptr;

  std::unique_ptr<WebViewWindow> petWindow_;
  std::unique_ptr<WebViewWindow> dashboardWindow_;
  ReminderStore store_;
  SoftwareService softwareService_;

  // Software-scan state.
  std::thread scanWorker_;
  std::atomic<uint64_t> scanGeneration_{0};
  std::mutex scanMutex_;
  std::string pendingScanReply_;
  std::string pendingScanRequestId_;
  std::string pendingScanRequestType_;
  HWND scanDashboard_ = nullptr;

  // The file dialogs, and the gate that lets one be open at a time. A quit
  // asked for while one is open waits until it has closed.
  FileDialogs fileDialogs_;
  DialogGate dialogGate_;
  bool quitAfterDialog_ = false;

  // The port tables and this process's id, for the ports list and its guard.
  PortsContext portsContext_ = MachinePortsContext();

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

  int32_t petX_ = 0;
  int32_t petY_ = 0;
  bool hasPetPosition_ = false;

  int64_t presentedReminderId_ = 0;
  bool hasPresentedReminder_ = false;

  std::string petName_;
  std::vector<CharacterRecord> characters_;
  std::string activeCharacterId_ = "builtin";
  // Whether the stored wardrobe was read at start-up; until it was, the stored
  // list is never written over.
  bool wardrobeLoaded_ = false;
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
  HICON customLargeIcon_ = nullptr;
  HICON customSmallIcon_ = nullptr;

  bool firstRun_ = false;
  bool petHiddenByUser_ = false;
  bool presentationSuppressed_ = false;
  bool shuttingDown_ = false;
};

}  // namespace nubo
