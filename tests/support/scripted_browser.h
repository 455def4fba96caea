#pragma once

// A browser backend for tests: records every call and lets a test inject web
// messages, navigation attempts and a failure at any set-up step.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "windows/browser_host.h"

namespace nubo::testing {

class EventLog;

class ScriptedView final : public BrowserView {
 public:
  explicit ScriptedView(HWND window, EventLog* log) : window_(window), log_(log) {}

  HRESULT SetStatusBarEnabled(bool enabled) override;
  HRESULT SetDefaultContextMenusEnabled(bool enabled) override;
  HRESULT SetDevToolsEnabled(bool enabled) override;
  bool SupportsHostMapping() const override { return offerHostMapping; }
  HRESULT MapHostToFolder(const std::wstring& host, const std::wstring& folder,
                          HostResourceAccess access) override;
  HRESULT SetWebMessageHandler(WebMessageHandler handler) override;
  HRESULT SetNavigationHandler(NavigationHandler handler) override;
  HRESULT Navigate(const std::wstring& uri) override;
  HRESULT PostWebMessageAsJson(const std::wstring& json) override;

  // The page posts a message; returns the handler's result.
  HRESULT InjectWebMessage(const std::wstring& sourceUri, const std::wstring& json);
  HRESULT InjectUnreadableSource(const std::wstring& json);
  // The page tries to go to uri (a link or a new window); true when cancelled.
  bool AttemptNavigation(const std::wstring& uri);
  // Posted messages as UTF-8 JSON texts, and those whose type is the given one.
  std::vector<std::string> Posted() const;
  std::vector<std::string> PostedOfType(const std::string& type) const;
  void ClearPosted() { posted_.clear(); }

  bool offerHostMapping = true;
  std::vector<std::string> settingsCalls;  // "statusBar=0", ...
  struct Mapping {
    std::wstring host;
    std::wstring folder;
    HostResourceAccess access;
  };
  std::vector<Mapping> mappings;
  std::vector<std::wstring> navigations;

 private:
  HWND window_;
  EventLog* log_;
  WebMessageHandler messageHandler_;
  NavigationHandler navigationHandler_;
  std::vector<std::string> posted_;
};

class ScriptedController final : public BrowserController {
 public:
  ScriptedController(HWND window, EventLog* log)
      : view_(std::make_shared<ScriptedView>(window, log)) {}
  std::shared_ptr<BrowserView> View() override { return view_; }
  HRESULT SetBounds(const RECT& newBounds) override {
    bounds = newBounds;
    return S_OK;
  }
  HRESULT SetVisible(bool isVisible) override {
    visible = isVisible;
    return S_OK;
  }
  bool SupportsBackgroundColor() const override { return offerBackgroundColor; }
  HRESULT SetDefaultBackgroundColor(uint32_t argb) override {
    backgroundColors.push_back(argb);
    return S_OK;
  }
  HRESULT Close() override {
    closed = true;
    return S_OK;
  }

  ScriptedView& view() { return *view_; }
  RECT bounds{};
  bool visible = false;
  bool closed = false;
  bool offerBackgroundColor = true;
  std::vector<uint32_t> backgroundColors;

 private:
  std::shared_ptr<ScriptedView> view_;
};

class ScriptedBrowser final : public BrowserRuntime {
 public:
  explicit ScriptedBrowser(EventLog* log = nullptr) : log_(log) {}

  HRESULT CreateEnvironment(HWND window, const std::wstring& userDataFolder,
                            EnvironmentCompleted completed) override;

  // Set-up failures to play, for every window from now on.
  HRESULT failLoaderCall = S_OK;
  HRESULT failEnvironment = S_OK;
  HRESULT failController = S_OK;
  bool offerControllerOptions = true;
  bool offerBackgroundColor = true;
  bool offerHostMapping = true;

  std::vector<std::wstring> userDataFolders;
  // How each window's controller was asked for: "plain" or "background:XXXXXXXX".
  std::map<HWND, std::string> controllerRequests;

  // The controller of a window once it exists, else null.
  ScriptedController* ControllerOf(HWND window);
  ScriptedView* ViewOf(HWND window);

 private:
  friend class ScriptedEnvironment;
  EventLog* log_;
  std::map<HWND, std::shared_ptr<ScriptedController>> controllers_;
};

}  // namespace nubo::testing
