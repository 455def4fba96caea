#include "tests/support/scripted_browser.h"

#include <cstdio>

#include "store/text_convert.h"
#include "tests/support/event_log.h"
#include "windows/completion_queue.h"

namespace nubo::testing {
namespace {

class Message final : public BrowserWebMessage {
 public:
  Message(bool readable, std::wstring source, std::wstring json)
      : readable_(readable), source_(std::move(source)), json_(std::move(json)) {}
  bool GetSource(std::wstring& uri) const override {
    if (!readable_) return false;
    uri = source_;
    return true;
  }
  bool GetJson(std::wstring& json) const override {
    json = json_;
    return true;
  }

 private:
  bool readable_;
  std::wstring source_;
  std::wstring json_;
};

class Navigation final : public BrowserNavigation {
 public:
  explicit Navigation(std::wstring uri) : uri_(std::move(uri)) {}
  bool GetTargetUri(std::wstring& uri) const override {
    uri = uri_;
    return true;
  }
  void Cancel() override { cancelled = true; }
  bool cancelled = false;

 private:
  std::wstring uri_;
};

const char* WindowLabel(HWND window) {
  return (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) != 0 ? "pet" : "dashboard";
}

std::string TypeOf(const std::string& json) {
  const std::string key = "\"type\":\"";
  const size_t at = json.find(key);
  if (at == std::string::npos) return {};
  const size_t end = json.find('"', at + key.size());
  return json.substr(at + key.size(), end - at - key.size());
}

}  // namespace

class ScriptedEnvironment final : public BrowserEnvironment {
 public:
  explicit ScriptedEnvironment(ScriptedBrowser& browser) : browser_(browser) {}
  bool SupportsControllerOptions() const override { return browser_.offerControllerOptions; }
  HRESULT CreateController(HWND parent, ControllerCompleted completed) override {
    return Create(parent, "plain", std::move(completed));
  }
  HRESULT CreateControllerWithBackground(HWND parent, uint32_t argb,
                                         ControllerCompleted completed) override {
    char request[32];
    std::snprintf(request, sizeof(request), "background:%08X", static_cast<unsigned>(argb));
    return Create(parent, request, std::move(completed));
  }

 private:
  HRESULT Create(HWND parent, const std::string& request, ControllerCompleted completed) {
    browser_.controllerRequests[parent] = request;
    const HRESULT result = browser_.failController;
    ScriptedBrowser& browser = browser_;
    PostCompletion(parent, [&browser, parent, result, completed = std::move(completed)] {
      if (FAILED(result)) {
        completed(result, nullptr);
        return;
      }
      auto controller = std::make_shared<ScriptedController>(parent, browser.log_);
      controller->offerBackgroundColor = browser.offerBackgroundColor;
      controller->view().offerHostMapping = browser.offerHostMapping;
      browser.controllers_[parent] = controller;
      completed(S_OK, controller);
    });
    return S_OK;
  }
  ScriptedBrowser& browser_;
};

HRESULT ScriptedBrowser::CreateEnvironment(HWND window, const std::wstring& userDataFolder,
                                           EnvironmentCompleted completed) {
  userDataFolders.push_back(userDataFolder);
  if (FAILED(failLoaderCall)) return failLoaderCall;
  const HRESULT result = failEnvironment;
  PostCompletion(window, [this, result, completed = std::move(completed)] {
    if (FAILED(result)) {
      completed(result, nullptr);
    } else {
      completed(S_OK, std::make_shared<ScriptedEnvironment>(*this));
    }
  });
  return S_OK;
}

ScriptedController* ScriptedBrowser::ControllerOf(HWND window) {
  const auto it = controllers_.find(window);
  return it == controllers_.end() ? nullptr : it->second.get();
}

ScriptedView* ScriptedBrowser::ViewOf(HWND window) {
  ScriptedController* controller = ControllerOf(window);
  return controller == nullptr ? nullptr : &controller->view();
}

HRESULT ScriptedView::SetStatusBarEnabled(bool enabled) {
  settingsCalls.push_back(std::string("statusBar=") + (enabled ? "1" : "0"));
  return S_OK;
}

HRESULT ScriptedView::SetDefaultContextMenusEnabled(bool enabled) {
  settingsCalls.push_back(std::string("contextMenus=") + (enabled ? "1" : "0"));
  return S_OK;
}

HRESULT ScriptedView::SetDevToolsEnabled(bool enabled) {
  settingsCalls.push_back(std::string("devTools=") + (enabled ? "1" : "0"));
  return S_OK;
}

HRESULT ScriptedView::MapHostToFolder(const std::wstring& host, const std::wstring& folder,
                                      HostResourceAccess access) {
  mappings.push_back(Mapping{host, folder, access});
  return S_OK;
}

HRESULT ScriptedView::SetWebMessageHandler(WebMessageHandler handler) {
  messageHandler_ = std::move(handler);
  return S_OK;
}

HRESULT ScriptedView::SetNavigationHandler(NavigationHandler handler) {
  navigationHandler_ = std::move(handler);
  return S_OK;
}

HRESULT ScriptedView::Navigate(const std::wstring& uri) {
  navigations.push_back(uri);
  return S_OK;
}

HRESULT ScriptedView::PostWebMessageAsJson(const std::wstring& json) {
  std::string text = Utf16ToUtf8(json);
  if (log_ != nullptr) log_->Add(std::string(WindowLabel(window_)) + " <- " + TypeOf(text));
  posted_.push_back(std::move(text));
  return S_OK;
}

HRESULT ScriptedView::InjectWebMessage(const std::wstring& sourceUri, const std::wstring& json) {
  if (!messageHandler_) return E_UNEXPECTED;
  return messageHandler_(Message(true, sourceUri, json));
}

HRESULT ScriptedView::InjectUnreadableSource(const std::wstring& json) {
  if (!messageHandler_) return E_UNEXPECTED;
  return messageHandler_(Message(false, L"", json));
}

bool ScriptedView::AttemptNavigation(const std::wstring& uri) {
  Navigation navigation(uri);
  if (navigationHandler_) navigationHandler_(navigation);
  return navigation.cancelled;
}

std::vector<std::string> ScriptedView::Posted() const { return posted_; }

std::vector<std::string> ScriptedView::PostedOfType(const std::string& type) const {
  std::vector<std::string> matching;
  for (const std::string& text : posted_) {
    if (TypeOf(text) == type) matching.push_back(text);
  }
  return matching;
}

}  // namespace nubo::testing
