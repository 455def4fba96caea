#include "app/application.h"

#include <stdexcept>

#include "app/app_texts.h"
#include "app/fixed_text.h"
#include "store/app_files.h"
#include "store/app_folder.h"
#include "store/file_utils.h"
#include "store/settings_keys.h"
#include "store/text_convert.h"
#include "ui_bridge/messages.h"
#include "windows/window_constants.h"

namespace nubo {

bool ShouldShowPetWindow(bool dashboardShown, bool petHidden, bool presenting) {
  return presenting || (!dashboardShown && !petHidden);
}

Application::Application(HINSTANCE instance, ApplicationOptions options)
    : instance_(instance),
      softwareService_(options.softwareSystem ? std::move(*options.softwareSystem) : MachineSoftwareSystem()),
      scanWorker_(softwareService_, ScanOutlet(), std::move(options.softwareScan)),
      portsContext_(options.ports ? std::move(*options.ports) : MachinePortsContext()),
      petName_(settings_defaults::kPetName),
      workspaceTheme_(settings_defaults::kTheme),
      workspaceTextSize_(settings_defaults::kTextSize),
      lastView_(settings_defaults::kLastView) {
  if (options.shell != nullptr) {
    shell_ = options.shell;
  } else {
    ownedShell_ = CreateSystemDesktopShell();
    shell_ = ownedShell_.get();
  }
  browser_ = options.browser != nullptr ? options.browser : &InstalledBrowserRuntime();
  fileDialogs_ = options.dialogs;

  const std::wstring executableDirectory = options.executableDirectory.empty()
                                               ? GetExecutableDirectory()
                                               : options.executableDirectory;
  uiFolder_ = JoinPath(executableDirectory, kUiFolderName);
  const std::wstring appFolder = options.knownFolderRoot.empty()
                                     ? ResolveAppDataDirectory()
                                     : ResolveAppDataDirectoryUnder(options.knownFolderRoot);
  browserDataFolder_ = JoinPath(appFolder, kBrowserDataFolderName);
  charactersFolder_ = JoinPath(appFolder, kCharactersFolderName);
  onboardingMarker_ = JoinPath(appFolder, kOnboardingMarkerFileName);
  firstRun_ = !FileExists(onboardingMarker_);
  EnsureDirectory(browserDataFolder_);
  EnsureDirectory(charactersFolder_);
  wardrobe_.RemoveLeftoverTemporaries();
  store_.Open(JoinPath(appFolder, kDatabaseFileName));
  LoadStoredSettings();
}

Application::~Application() {
  CancelSoftwareScan(true);
  StopCommunicationServices();
  if (trayIconAdded_) {
    shell_->NotifyIcon(NIM_DELETE, trayData_);
    trayIconAdded_ = false;
  }
  dashboardWindow_.reset();
  petWindow_.reset();
  customSmallIcon_.reset();
  customLargeIcon_.reset();
  shell_->ReleaseSpeech();
}

void Application::Start() {
  if (!FileExists(JoinPath(uiFolder_, kUiEntryFileName))) {
    throw std::runtime_error(std::string(app_texts::kUiMissing));
  }
  petWindow_.reset();
  petWindow_ = std::make_unique<WebViewWindow>(*this, WindowKind::Pet);
  if (!petWindow_->Create(instance_)) throw std::runtime_error(std::string(app_texts::kCreateWindowsFailed));
  AddTrayIcon();
  petWindow_->Show();
  if (firstRun_) {
    ShowDashboard();
    WriteFileComplete(onboardingMarker_, kOnboardingMarkerContent,
                      sizeof(kOnboardingMarkerContent) - 1);
  }
}

int Application::Run() {
  Start();
  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

void Application::StopCommunicationServices() {
  networkService_.Stop();
  serialService_.Stop();
  mqttService_.Stop();
  modbusService_.Stop();
}

void Application::Quit() {
  if (dialogGate_.IsDialogOpen() || softwareService_.FileOperationRunning()) {
    // A dialog's or a Shell call's own loop is still running inside a
    // request; quit after it.
    quitAfterDialog_ = true;
    return;
  }
  shuttingDown_ = true;
  CancelSoftwareScan(true);
  StopCommunicationServices();
  if (trayIconAdded_) {
    shell_->NotifyIcon(NIM_DELETE, trayData_);
    trayIconAdded_ = false;
  }
  if (dashboardWindow_ && dashboardWindow_->Handle() != nullptr) {
    DestroyWindow(dashboardWindow_->Handle());
  }
  if (petWindow_ && petWindow_->Handle() != nullptr) DestroyWindow(petWindow_->Handle());
}

void Application::ShowDashboard() {
  if (!dashboardWindow_) {
    auto window = std::make_unique<WebViewWindow>(*this, WindowKind::Dashboard);
    if (!window->Create(instance_)) throw std::runtime_error(std::string(app_texts::kCreateDashboardFailed));
    dashboardWindow_ = std::move(window);
    if (customLargeIcon_ || customSmallIcon_) {
      dashboardWindow_->SetIcons(customLargeIcon_.get(), customSmallIcon_.get());
    }
  }
  dashboardWindow_->Show();
  UpdatePetVisibility();
  SendStateSync(dashboardWindow_.get());
}

void Application::HideDashboard() {
  CancelSoftwareScan(false);
  StopCommunicationServices();
  if (dashboardWindow_) dashboardWindow_->Hide();
  UpdatePetVisibility();
}

void Application::OpenDashboardAt(std::string_view view, std::string_view shortcut) {
  pendingView_ = std::string(view);
  pendingShortcut_ = std::string(shortcut);
  ShowDashboard();
  FlushPendingNavigation();
}

void Application::FlushPendingNavigation() {
  if (!dashboardUiReady_ || !dashboardWindow_ || pendingView_.empty()) return;
  const std::string_view type = pendingView_ == app_texts::kToolboxView ? app_texts::kToolboxOpenType
                                                                       : app_texts::kShortcutsOpenType;
  const Json message = MakeMessage(type, Json{{"shortcut", pendingShortcut_}});
  pendingView_.clear();
  pendingShortcut_.clear();
  SendToWindow(*dashboardWindow_, message);
}

bool Application::IsDashboardShown() const {
  return dashboardWindow_ && dashboardWindow_->IsShownAndNotMinimised();
}

bool Application::IsPetWindowVisible() const { return petWindow_ && petWindow_->IsVisible(); }

void Application::UpdatePetVisibility() {
  if (shuttingDown_ || !petWindow_ || petWindow_->Handle() == nullptr) return;
  const bool presenting = petWindow_->IsPresenting() && !presentationSuppressed_;
  const bool show = ShouldShowPetWindow(IsDashboardShown(), petHiddenByUser_, presenting);
  const bool visible = petWindow_->IsVisible();
  if (show && !visible) {
    petWindow_->Show();
  } else if (!show && visible) {
    petWindow_->Hide();
  }
}

void Application::SetPetHidden(bool hidden) {
  petHiddenByUser_ = hidden;
  presentationSuppressed_ = hidden;
  if (hidden && petWindow_ && petWindow_->IsPresenting()) {
    petWindow_->CancelPresentation();
    petWindow_->PostJson(kPresentationEndedMessage);
  }
  UpdatePetVisibility();
}

void Application::OnPresentationFinished() {
  presentationSuppressed_ = false;
  UpdatePetVisibility();
}

void Application::SavePetPosition(HWND window) {
  RECT rect{};
  if (window == nullptr || !GetWindowRect(window, &rect)) return;
  petX_ = rect.left;
  petY_ = rect.top;
  hasPetPosition_ = true;
  store_.PutSettings({{settings_keys::kPetX, std::to_string(petX_)},
                      {settings_keys::kPetY, std::to_string(petY_)}});
}

void Application::ApplyNames() {
  if (petWindow_) petWindow_->SetTitle(Utf8ToUtf16(petName_));
  if (dashboardWindow_) dashboardWindow_->SetTitle(kAppCaption);
  if (trayIconAdded_) {
    trayData_.uFlags = NIF_TIP;
    CopyCut(trayData_.szTip, kAppCaption);
    shell_->NotifyIcon(NIM_MODIFY, trayData_);
  }
}

SoftwareScanOutlet Application::ScanOutlet() {
  SoftwareScanOutlet outlet;
  outlet.workbench = [this]() -> HWND {
    return !shuttingDown_ && dashboardWindow_ ? dashboardWindow_->Handle() : nullptr;
  };
  outlet.post = [this](const std::string& text) {
    if (dashboardWindow_) dashboardWindow_->PostJson(text);
  };
  return outlet;
}

void Application::StartSoftwareScan(HWND requester, const std::string& requestId, const std::string& softwareId,
                                    const std::string& displayName, const std::string& token) {
  scanWorker_.Start(requester, requestId, softwareId, displayName, token);
}

void Application::CancelSoftwareScan(bool wait) { scanWorker_.Cancel(wait); }

void Application::DeliverSoftwareScanResult() { scanWorker_.Deliver(); }

}  // namespace nubo
