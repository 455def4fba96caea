// Every message of the front end ends here: parsed, routed through the table
// below and answered to the window that sent it.
#include <string>
#include <string_view>

#include "app/app_texts.h"
#include "app/application.h"
#include "store/file_utils.h"
#include "ui_bridge/database_routes.h"
#include "ui_bridge/device_routes.h"
#include "ui_bridge/dispatch_texts.h"
#include "ui_bridge/dispatcher.h"
#include "ui_bridge/field_readers.h"
#include "ui_bridge/image_routes.h"
#include "ui_bridge/network_routes.h"
#include "ui_bridge/software_routes.h"
#include "ui_bridge/state_payload.h"
#include "ui_bridge/system_routes.h"
#include "ui_bridge/tool_routes.h"

namespace nubo {

namespace {

// Adapters from the handlers' own signatures to a row's.
template <void (Application::*Handle)(const Json&)>
Json PayloadOnly(Application& app, WebViewWindow&, const RouteRequest& request) {
  (app.*Handle)(request.payload);
  return nullptr;
}

template <void (Application::*Handle)(WebViewWindow&, const Json&)>
Json WithSender(Application& app, WebViewWindow& sender, const RouteRequest& request) {
  (app.*Handle)(sender, request.payload);
  return nullptr;
}

template <void (Application::*Act)()>
Json Plain(Application& app, WebViewWindow&, const RouteRequest&) {
  (app.*Act)();
  return nullptr;
}

template <void (WebViewWindow::*Act)()>
Json OnSenderWindow(Application&, WebViewWindow& sender, const RouteRequest&) {
  (sender.*Act)();
  return nullptr;
}

}  // namespace

void Application::SendToWindow(WebViewWindow& window, const Json& message) {
  window.PostJson(SerializeOrUnsendable(message));
}

void Application::SendAppError(WebViewWindow& window, std::string_view message) {
  SendToWindow(window, AppErrorMessage(message));
}

void Application::BroadcastAppError(std::string_view message) { Broadcast(AppErrorMessage(message)); }

void Application::PostToBoth(const std::string& text) {
  if (petWindow_ && petWindow_->IsBrowserReady()) petWindow_->PostJson(text);
  if (dashboardWindow_ && dashboardWindow_->IsBrowserReady()) dashboardWindow_->PostJson(text);
}

void Application::Broadcast(const Json& value) { PostToBoth(SerializeOrUnsendable(value)); }

void Application::SendStateSync(WebViewWindow* window) {
  const Json message = MakeMessage("state.sync", BuildStatePayload());
  if (window != nullptr) {
    SendToWindow(*window, message);
  } else {
    Broadcast(message);
  }
}

Json Application::BuildStatePayload() {
  Json reminders = Json::array();
  for (const Reminder& reminder : store_.ListOpenReminders()) {
    reminders.push_back(ReminderToJson(reminder));
  }
  const int64_t now = NowMilliseconds();
  return Json{{"reminders", std::move(reminders)},
              {"now", now},
              {"petName", petName_},
              {"soundEnabled", soundEnabled_},
              {"speechEnabled", speechEnabled_},
              {"financeWebsiteUrl", financeWebsiteUrl_},
              {"learningWebsiteUrl", learningWebsiteUrl_},
              {"workspaceTheme", workspaceTheme_},
              {"workspaceTextSize", workspaceTextSize_},
              {"openLastView", openLastView_},
              {"lastDashboardView", lastView_},
              {"lastToolCategory", lastCategory_},
              {"characters", WardrobeToJson(wardrobe_)},
              {"activeCharacterId", wardrobe_.ActiveId()}};
}

void Application::HandleWebMessage(WebViewWindow& sender, const std::string& text) {
  try {
    const Json document = Json::parse(text);
    HandleRequest(sender, text, document);
  } catch (const Json::exception&) {
    SendAppError(sender, dispatch_texts::kBadMessage);
  } catch (const std::exception& error) {
    SendAppError(sender, error.what());
  }
  if (quitAfterDialog_ && !dialogGate_.IsDialogOpen() && !softwareService_.FileOperationRunning()) {
    quitAfterDialog_ = false;
    Quit();
  }
}

std::span<const RouteRow<Application>> Application::Routes() {
  using App = Application;
  constexpr auto kAny = SenderRule::kAny;
  static constexpr RouteRow<Application> kRows[] = {
      {"app.ready", kAny, nullptr, WithSender<&App::OnAppReady>},
      {"reminder.list", kAny, nullptr, [](App& app, WebViewWindow& sender, const RouteRequest&) -> Json {
         app.SendStateSync(&sender);
         return nullptr;
       }},
      {"window.petMenu", SenderRule::kPetOnly, nullptr, WithSender<&App::OnPetMenu>},
      {"window.openToolbox", kAny, nullptr, [](App& app, WebViewWindow&, const RouteRequest&) -> Json {
         app.OpenDashboardAt(app_texts::kToolboxView, "");
         return nullptr;
       }},
      {"window.openShortcutSettings", kAny, nullptr, WithSender<&App::OnOpenShortcutSettings>},
      {"shortcuts.save", kAny, nullptr, [](App& app, WebViewWindow& sender, const RouteRequest& request) {
         return app.OnShortcutsSave(sender, request);
       }},
      {"shortcuts.open", kAny, nullptr, WithSender<&App::OnShortcutsOpen>},
      {"window.drag.start", kAny, nullptr, OnSenderWindow<&WebViewWindow::BeginDrag>},
      {"window.drag.move", kAny, nullptr, OnSenderWindow<&WebViewWindow::DragMove>},
      {"window.drag.end", kAny, nullptr, OnSenderWindow<&WebViewWindow::EndDrag>},
      {"window.openDashboard", kAny, nullptr, Plain<&App::ShowDashboard>},
      {"window.hideDashboard", kAny, nullptr, Plain<&App::HideDashboard>},
      {"window.hidePet", kAny, nullptr, [](App& app, WebViewWindow&, const RouteRequest&) -> Json {
         app.SetPetHidden(true);
         return nullptr;
       }},
      {"app.quit", kAny, nullptr, Plain<&App::Quit>},
      {"pet.action", kAny, nullptr, WithSender<&App::OnPetAction>},
      {"character.upload", kAny, nullptr, PayloadOnly<&App::OnCharacterUpload>},
      {"character.activate", kAny, nullptr, PayloadOnly<&App::OnCharacterActivate>},
      {"character.icon.update", kAny, nullptr, PayloadOnly<&App::OnCharacterIconUpdate>},
      {"character.delete", kAny, nullptr, PayloadOnly<&App::OnCharacterDelete>},
      {"tool.execute", kAny, nullptr, [](App&, WebViewWindow&, const RouteRequest& request) {
         return RouteToolExecute(request.payload);
       }},
      {"serial.", kAny, DeviceGate,
       [](App& app, WebViewWindow&, const RouteRequest& request) { return RouteDeviceRequest(app.serialService_, request); }},
      {"mqtt.", kAny, DeviceGate,
       [](App& app, WebViewWindow&, const RouteRequest& request) { return RouteDeviceRequest(app.mqttService_, request); }},
      {"modbus.", kAny, DeviceGate,
       [](App& app, WebViewWindow&, const RouteRequest& request) { return RouteDeviceRequest(app.modbusService_, request); }},
      {"network.", SenderRule::kDashboardOnly, nullptr, [](App& app, WebViewWindow&, const RouteRequest& request) {
         return RouteNetworkRequest(app.networkService_, request.type, request.payload);
       }},
      {"system.", kAny, nullptr, [](App&, WebViewWindow&, const RouteRequest& request) {
         return RouteSystemRequest(BuildSystemSnapshot, request.type, request.payload);
       }},
      {"ports.", kAny, nullptr, [](App& app, WebViewWindow&, const RouteRequest& request) {
         return RoutePortsRequest(app.portsContext_, request.type, request.payload);
       }},
      {"software.", kAny, SoftwareGate, [](App& app, WebViewWindow& sender, const RouteRequest& request) {
         SoftwareRouteContext context{app.softwareService_, sender.Handle(), app.scanWorker_};
         return RouteSoftwareRequest(context, request);
       }},
      {"image.", kAny, nullptr, [](App& app, WebViewWindow& sender, const RouteRequest& request) {
         DataRouteContext context{app.databaseFile_, sender.Handle(), app.fileDialogs_, app.dialogGate_};
         return RouteImageRequest(context, request.type, request.payload);
       }},
      {"database.", kAny, nullptr, [](App& app, WebViewWindow& sender, const RouteRequest& request) {
         DataRouteContext context{app.databaseFile_, sender.Handle(), app.fileDialogs_, app.dialogGate_};
         return RouteDatabaseRequest(context, request.type, request.payload);
       }},
      {"settings.update", kAny, nullptr, PayloadOnly<&App::OnSettingsUpdate>},
      {"workspace.navigation.update", kAny, nullptr, WithSender<&App::OnNavigationUpdate>},
      {"reminder.create", kAny, nullptr, WithSender<&App::OnReminderCreate>},
      {"reminder.complete", kAny, nullptr, PayloadOnly<&App::OnReminderComplete>},
      {"reminder.delete", kAny, nullptr, PayloadOnly<&App::OnReminderDelete>},
      {"reminder.snooze", kAny, nullptr, PayloadOnly<&App::OnReminderSnooze>},
  };
  return kRows;
}

void Application::HandleRequest(WebViewWindow& sender, const std::string& text,
                                const Json& document) {
  const std::string type = ReadTextOr(document, "type", "");
  const auto payloadIt = document.find("payload");
  // Read in place: a payload may hold megabytes (a picture, a tool's input).
  static const Json kNoPayload = Json::object();
  const Json& payload = payloadIt != document.end() ? *payloadIt : kNoPayload;
  const GateFacts facts{sender.Kind() == WindowKind::Dashboard,
                        dashboardWindow_ && dashboardWindow_->IsVisible(), shuttingDown_};
  const Json reply = Dispatch(Routes(), *this, sender, RouteRequest{type, payload, text.size(), facts});
  if (!reply.is_null()) SendToWindow(sender, reply);
}

}  // namespace nubo
