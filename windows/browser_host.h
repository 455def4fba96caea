#pragma once

// The embedded browser layer: what the browser-hosting window needs from a
// browser runtime, and nothing more. A backend supplies the runtime; its
// completions arrive later, on the main thread, through the window's own
// message loop (see completion_queue.h), and only while the window lives.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace nubo {

enum class HostResourceAccess { Allow, DenyCors };

// One message that the page posted, as the browser reports it.
class BrowserWebMessage {
 public:
  virtual ~BrowserWebMessage() = default;
  // The URI of the page that posted the message; false when it cannot be read.
  virtual bool GetSource(std::wstring& uri) const = 0;
  // The posted value in its JSON form; false when it cannot be read.
  virtual bool GetJson(std::wstring& json) const = 0;
};

class BrowserNavigation {
 public:
  virtual ~BrowserNavigation() = default;
  virtual bool GetTargetUri(std::wstring& uri) const = 0;
  virtual void Cancel() = 0;
};

using WebMessageHandler = std::function<HRESULT(const BrowserWebMessage&)>;
// Navigations of the view itself come here; a request to open a new window
// never opens one, whatever its address.
using NavigationHandler = std::function<void(BrowserNavigation&)>;

class BrowserView {
 public:
  virtual ~BrowserView() = default;
  virtual HRESULT SetStatusBarEnabled(bool enabled) = 0;
  virtual HRESULT SetDefaultContextMenusEnabled(bool enabled) = 0;
  virtual HRESULT SetDevToolsEnabled(bool enabled) = 0;
  // Virtual host to folder mappings; a runtime may not offer them.
  virtual bool SupportsHostMapping() const = 0;
  virtual HRESULT MapHostToFolder(const std::wstring& host, const std::wstring& folder,
                                  HostResourceAccess access) = 0;
  // Each is set once; the controller's Close removes them before it closes.
  virtual HRESULT SetWebMessageHandler(WebMessageHandler handler) = 0;
  virtual HRESULT SetNavigationHandler(NavigationHandler handler) = 0;
  virtual HRESULT Navigate(const std::wstring& uri) = 0;
  virtual HRESULT PostWebMessageAsJson(const std::wstring& json) = 0;
};

class BrowserController {
 public:
  virtual ~BrowserController() = default;
  virtual std::shared_ptr<BrowserView> View() = 0;
  virtual HRESULT SetBounds(const RECT& bounds) = 0;
  virtual HRESULT SetVisible(bool visible) = 0;
  // A runtime may not let the default background colour be set.
  virtual bool SupportsBackgroundColor() const = 0;
  virtual HRESULT SetDefaultBackgroundColor(uint32_t argb) = 0;
  virtual HRESULT Close() = 0;
};

using ControllerCompleted = std::function<HRESULT(HRESULT, std::shared_ptr<BrowserController>)>;

class BrowserEnvironment {
 public:
  virtual ~BrowserEnvironment() = default;
  // Creating a controller whose default background is set before it first
  // paints (fully transparent for the pet); a runtime may not offer it.
  virtual bool SupportsControllerOptions() const = 0;
  virtual HRESULT CreateController(HWND parent, ControllerCompleted completed) = 0;
  virtual HRESULT CreateControllerWithBackground(HWND parent, uint32_t argb,
                                                 ControllerCompleted completed) = 0;
};

using EnvironmentCompleted = std::function<HRESULT(HRESULT, std::shared_ptr<BrowserEnvironment>)>;

class BrowserRuntime {
 public:
  virtual ~BrowserRuntime() = default;
  // Starts creating an environment whose profile lives in userDataFolder.
  // A failure of the call itself is returned at once; otherwise completed is
  // later run on the main thread through the message loop of window.
  virtual HRESULT CreateEnvironment(HWND window, const std::wstring& userDataFolder,
                                    EnvironmentCompleted completed) = 0;
};

// The runtime the shipped program uses: the installed WebView2 runtime,
// reached through WebView2Loader.dll beside the program.
BrowserRuntime& InstalledBrowserRuntime();

}  // namespace nubo
