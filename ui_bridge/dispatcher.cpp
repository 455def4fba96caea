// Every message of the front end ends here: parsed, checked against the
// sender rules, routed by its type and answered to the window that sent it.
#include <string>
#include <string_view>

#include "app/application.h"
#include "ui_bridge/device_routes.h"
#include "ui_bridge/dispatch_texts.h"
#include "ui_bridge/field_readers.h"
#include "ui_bridge/database_routes.h"
#include "ui_bridge/image_routes.h"
#include "ui_bridge/messages.h"
#include "ui_bridge/network_routes.h"
#include "ui_bridge/system_routes.h"
#include "ui_bridge/tool_routes.h"

namespace nubo {
namespace {

constexpr size_t kDeviceTypeMaxBytes = 40;
constexpr size_t kGatedMessageMaxBytes = 1'048'576;

// A text that is not valid UTF-8 (a stored setting, an exception's text)
// must not stop the answer: the window is told instead.
std::string SerializeOrUnsendable(const Json& message) {
  try {
    return SerializeMessage(message);
  } catch (const Json::exception&) {
    return SerializeMessage(MakeMessage("app.error", Json{{"message", dispatch_texts::kUnsendable}}));
  }
}

}  // namespace

void Application::SendToWindow(WebViewWindow& window, const Json& message) {
  window.PostJson(SerializeOrUnsendable(message));
}

void Application::SendAppError(WebViewWindow& window, std::string_view message) {
  SendToWindow(window, MakeMessage("app.error", Json{{"message", std::string(message)}}));
}

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

void Application::HandleWebMessage(WebViewWindow& sender, const std::string& text) {
  try {
    const Json document = Json::parse(text);
    HandleRequest(sender, text, document);
  } catch (const Json::exception&) {
    SendAppError(sender, dispatch_texts::kBadMessage);
  } catch (const std::exception& error) {
    SendAppError(sender, error.what());
  }
  if (quitAfterDialog_ && !dialogGate_.IsDialogOpen()) {
    quitAfterDialog_ = false;
    Quit();
  }
}

// The gate of the software manager's requests; an empty result lets one through.
Json Application::SoftwareGate(WebViewWindow& sender, const std::string& type, const Json& payload,
                               size_t textBytes) {
  std::string requestId;
  ReadStringField(payload, "requestId", requestId);
  const bool dashboardOpen = dashboardWindow_ && dashboardWindow_->IsVisible();
  const bool passes = IsValidRequestId(requestId) &&
                      sender.Kind() == WindowKind::Dashboard && !shuttingDown_ &&
                      textBytes <= kGatedMessageMaxBytes &&
                      (dashboardOpen || type == "software.scan.cancel");
  if (passes) return Json();
  return MakeErrorReply(type, requestId, dispatch_texts::kSoftwareGate);
}

// The serial, MQTT and Modbus requests: checked here, answered in their own
// reply form whatever happens.
Json Application::RouteDeviceRequest(WebViewWindow& sender, const std::string& type,
                                     const Json& payload, size_t textBytes) {
  std::string requestId;
  try {
    ReadStringField(payload, "requestId", requestId);
    if (!IsValidRequestId(requestId) || type.size() > kDeviceTypeMaxBytes || textBytes > kGatedMessageMaxBytes ||
        sender.Kind() != WindowKind::Dashboard || shuttingDown_) {
      throw std::runtime_error(dispatch_texts::kDeviceRequestInvalid);
    }
    const std::string action = type.substr(type.find('.') + 1);
    const bool dashboardOpen = dashboardWindow_ && dashboardWindow_->IsVisible();
    if (!dashboardOpen && action != "poll" && action != "stop") {
      throw std::runtime_error(dispatch_texts::kOpenWorkbenchFirst);
    }
    if (type.starts_with("serial.")) return RouteSerialRequest(serialService_, type, requestId, payload);
    // The MQTT and Modbus requests arrive with their services.
    throw std::runtime_error(dispatch_texts::kUnsupported);
  } catch (const std::exception& error) {
    return MakeErrorReply(type, requestId, error.what());
  }
}

void Application::HandleRequest(WebViewWindow& sender, const std::string& text,
                                const Json& document) {
  const std::string type = ReadTextOr(document, "type", "");
  const auto payloadIt = document.find("payload");
  // Read in place: a payload may hold megabytes (a picture, a tool's input).
  static const Json kNoPayload = Json::object();
  const Json& payload = payloadIt != document.end() ? *payloadIt : kNoPayload;
  const bool fromDashboard = sender.Kind() == WindowKind::Dashboard;

  if (type.starts_with("network.") && !fromDashboard) {
    SendAppError(sender, dispatch_texts::kNetworkFromPet);
    return;
  }

  if (IsOneOf(type, {"app.ready", "reminder.list"})) {
    SendStateSync(&sender);
    if (type == "app.ready" && fromDashboard) {
      dashboardUiReady_ = true;
      FlushPendingNavigation();
    }
  } else if (type == "window.petMenu") {
    if (fromDashboard) return;
    const std::string layout = ReadTextOr(payload, "layout", "single");
    if (layout != "single" && layout != "sheet") return;
    const bool open = ReadBoolOr(payload, "open", false);
    sender.SetPetMenuLayout(open, layout);
  } else if (type == "window.openToolbox") {
    OpenDashboardAt("toolbox", "");
  } else if (type == "window.openShortcutSettings") {
    const std::string shortcut = ReadTextOr(payload, "shortcut", "");
    if (!shortcut.empty() && shortcut != "finance" && shortcut != "learning") {
      SendAppError(sender, dispatch_texts::kUnknownShortcut);
      return;
    }
    OpenDashboardAt("shortcuts", shortcut);
  } else if (type == "shortcuts.save") {
    SendToWindow(sender, OnShortcutsSave(sender, payload));
  } else if (type == "shortcuts.open") {
    OnShortcutsOpen(sender, payload);
  } else if (type == "window.drag.start") {
    sender.BeginDrag();
  } else if (type == "window.drag.move") {
    sender.DragMove();
  } else if (type == "window.drag.end") {
    sender.EndDrag();
  } else if (type == "window.openDashboard") {
    ShowDashboard();
  } else if (type == "window.hideDashboard") {
    HideDashboard();
  } else if (type == "window.hidePet") {
    SetPetHidden(true);
  } else if (type == "app.quit") {
    Quit();
  } else if (type == "pet.action") {
    OnPetAction(sender, payload);
  } else if (type == "character.upload") {
    OnCharacterUpload(payload);
  } else if (type == "character.activate") {
    OnCharacterActivate(payload);
  } else if (type == "character.icon.update") {
    OnCharacterIconUpdate(payload);
  } else if (type == "character.delete") {
    OnCharacterDelete(payload);
  } else if (type == "tool.execute") {
    SendToWindow(sender, RouteToolExecute(payload));
  } else if (type.starts_with("serial.") || type.starts_with("mqtt.") || type.starts_with("modbus.")) {
    SendToWindow(sender, RouteDeviceRequest(sender, type, payload, text.size()));
  } else if (IsOneOf(type, {"network.interfaces", "network.start", "network.stop", "network.send",
                            "network.poll"})) {
    SendToWindow(sender, RouteNetworkRequest(networkService_, type, payload));
  } else if (type == "system.snapshot") {
    SendToWindow(sender, RouteSystemRequest(BuildSystemSnapshot, type, payload));
  } else if (type == "ports.list" || type == "ports.terminate") {
    SendToWindow(sender, RoutePortsRequest(portsContext_, type, payload));
  } else if (type.starts_with("software.")) {
    Json refusal = SoftwareGate(sender, type, payload, text.size());
    if (!refusal.is_null()) {
      SendToWindow(sender, refusal);
      return;
    }
    // The software manager's requests arrive with the software manager.
    SendAppError(sender, dispatch_texts::kUnsupported);
  } else if (type == "image.save") {
    DataRouteContext context{databaseFile_, sender.Handle(), fileDialogs_, dialogGate_};
    SendToWindow(sender, RouteImageRequest(context, type, payload));
  } else if (IsOneOf(type, {"database.pick", "database.refresh", "database.execute", "database.close"})) {
    DataRouteContext context{databaseFile_, sender.Handle(), fileDialogs_, dialogGate_};
    SendToWindow(sender, RouteDatabaseRequest(context, type, payload));
  } else if (type == "settings.update") {
    OnSettingsUpdate(payload);
  } else if (type == "workspace.navigation.update") {
    OnNavigationUpdate(sender, payload);
  } else if (type == "reminder.create") {
    OnReminderCreate(sender, payload);
  } else if (type == "reminder.complete") {
    OnReminderComplete(payload);
  } else if (type == "reminder.delete") {
    OnReminderDelete(payload);
  } else if (type == "reminder.snooze") {
    OnReminderSnooze(payload);
  } else {
    SendAppError(sender, dispatch_texts::kUnsupported);
  }
}

}  // namespace nubo
