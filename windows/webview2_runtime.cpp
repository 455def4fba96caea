#include "windows/webview2_runtime.h"

#include <utility>
#include <vector>

#include "store/win_handles.h"
#include "windows/completion_queue.h"
#include "windows/webview2_handlers.h"
#include "windows/webview2_loader.h"

namespace nubo {
namespace {

COREWEBVIEW2_COLOR ToColor(uint32_t argb) {
  return COREWEBVIEW2_COLOR{static_cast<BYTE>(argb >> 24), static_cast<BYTE>(argb >> 16),
                            static_cast<BYTE>(argb >> 8), static_cast<BYTE>(argb)};
}

// Text that the runtime hands over is the caller's to free, on every path.
template <typename Getter>
bool ReadText(Getter getter, std::wstring& text) {
  CoTaskMemPtr<wchar_t> owned;
  if (FAILED(getter(owned.out())) || !owned) return false;
  text = owned.get();
  return true;
}

class WebMessage final : public BrowserWebMessage {
 public:
  explicit WebMessage(ICoreWebView2WebMessageReceivedEventArgs& args) : args_(args) {}
  bool GetSource(std::wstring& uri) const override {
    return ReadText([this](LPWSTR* text) { return args_.get_Source(text); }, uri);
  }
  bool GetJson(std::wstring& json) const override {
    return ReadText([this](LPWSTR* text) { return args_.get_WebMessageAsJson(text); }, json);
  }

 private:
  ICoreWebView2WebMessageReceivedEventArgs& args_;
};

class Navigation final : public BrowserNavigation {
 public:
  explicit Navigation(ICoreWebView2NavigationStartingEventArgs& args) : args_(args) {}
  bool GetTargetUri(std::wstring& uri) const override {
    return ReadText([this](LPWSTR* text) { return args_.get_Uri(text); }, uri);
  }
  void Cancel() override { args_.put_Cancel(TRUE); }

 private:
  ICoreWebView2NavigationStartingEventArgs& args_;
};

class ComView final : public BrowserView {
 public:
  explicit ComView(ComPtr<ICoreWebView2> view) : view_(std::move(view)) {
    view_->QueryInterface(__uuidof(ICoreWebView2_3), view3_.out_void());
  }
  ~ComView() override { RemoveHandlers(); }

  HRESULT SetStatusBarEnabled(bool enabled) override {
    return WithSettings([enabled](ICoreWebView2Settings& settings) {
      return settings.put_IsStatusBarEnabled(enabled);
    });
  }
  HRESULT SetDefaultContextMenusEnabled(bool enabled) override {
    return WithSettings([enabled](ICoreWebView2Settings& settings) {
      return settings.put_AreDefaultContextMenusEnabled(enabled);
    });
  }
  HRESULT SetDevToolsEnabled(bool enabled) override {
    return WithSettings([enabled](ICoreWebView2Settings& settings) {
      return settings.put_AreDevToolsEnabled(enabled);
    });
  }
  bool SupportsHostMapping() const override { return static_cast<bool>(view3_); }
  HRESULT MapHostToFolder(const std::wstring& host, const std::wstring& folder,
                          HostResourceAccess access) override {
    if (!view3_) return E_NOINTERFACE;
    return view3_->SetVirtualHostNameToFolderMapping(
        host.c_str(), folder.c_str(),
        access == HostResourceAccess::Allow ? COREWEBVIEW2_HOST_RESOURCE_ACCESS_KIND_ALLOW
                                            : COREWEBVIEW2_HOST_RESOURCE_ACCESS_KIND_DENY_CORS);
  }
  HRESULT SetWebMessageHandler(WebMessageHandler handler) override {
    auto invoke = [handler = std::move(handler)](ICoreWebView2*,
                                                 ICoreWebView2WebMessageReceivedEventArgs* args) {
      return args == nullptr ? E_INVALIDARG : handler(WebMessage(*args));
    };
    EventRegistrationToken token{};
    const HRESULT result =
        view_->add_WebMessageReceived(WebMessageReceivedHandler::Create(invoke).get(), &token);
    if (SUCCEEDED(result)) {
      removals_.push_back([this, token] { view_->remove_WebMessageReceived(token); });
    }
    return result;
  }
  // A request for a new window is always marked handled, so that none opens.
  HRESULT SetNavigationHandler(NavigationHandler handler) override {
    auto starting = [handler = std::move(handler)](ICoreWebView2*,
                                                   ICoreWebView2NavigationStartingEventArgs* args) {
      if (args == nullptr) return E_INVALIDARG;
      Navigation navigation(*args);
      handler(navigation);
      return S_OK;
    };
    EventRegistrationToken token{};
    HRESULT result =
        view_->add_NavigationStarting(NavigationStartingHandler::Create(starting).get(), &token);
    if (FAILED(result)) return result;
    removals_.push_back([this, token] { view_->remove_NavigationStarting(token); });

    auto newWindow = [](ICoreWebView2*, ICoreWebView2NewWindowRequestedEventArgs* args) {
      return args == nullptr ? E_INVALIDARG : args->put_Handled(TRUE);
    };
    result =
        view_->add_NewWindowRequested(NewWindowRequestedHandler::Create(newWindow).get(), &token);
    if (SUCCEEDED(result)) {
      removals_.push_back([this, token] { view_->remove_NewWindowRequested(token); });
    }
    return result;
  }
  HRESULT Navigate(const std::wstring& uri) override { return view_->Navigate(uri.c_str()); }
  HRESULT PostWebMessageAsJson(const std::wstring& json) override {
    return view_->PostWebMessageAsJson(json.c_str());
  }

  void RemoveHandlers() {
    for (const auto& remove : removals_) remove();
    removals_.clear();
  }

 private:
  template <typename Put>
  HRESULT WithSettings(Put put) {
    if (!settings_) {
      const HRESULT result = view_->get_Settings(settings_.out());
      if (FAILED(result)) return result;
      if (!settings_) return E_POINTER;
    }
    return put(*settings_.get());
  }

  ComPtr<ICoreWebView2> view_;
  ComPtr<ICoreWebView2_3> view3_;
  ComPtr<ICoreWebView2Settings> settings_;
  std::vector<std::function<void()>> removals_;
};

class ComController final : public BrowserController {
 public:
  explicit ComController(ComPtr<ICoreWebView2Controller> controller)
      : controller_(std::move(controller)) {
    controller_->QueryInterface(__uuidof(ICoreWebView2Controller2), controller2_.out_void());
    ComPtr<ICoreWebView2> view;
    if (SUCCEEDED(controller_->get_CoreWebView2(view.out())) && view) {
      view_ = std::make_shared<ComView>(std::move(view));
    }
  }
  // A controller that no window took (its window went first) is closed too.
  ~ComController() override { Close(); }

  std::shared_ptr<BrowserView> View() override { return view_; }
  HRESULT SetBounds(const RECT& bounds) override { return controller_->put_Bounds(bounds); }
  HRESULT SetVisible(bool visible) override { return controller_->put_IsVisible(visible); }
  bool SupportsBackgroundColor() const override { return static_cast<bool>(controller2_); }
  HRESULT SetDefaultBackgroundColor(uint32_t argb) override {
    return controller2_ ? controller2_->put_DefaultBackgroundColor(ToColor(argb)) : E_NOINTERFACE;
  }
  // The view's handlers are removed before the controller closes.
  HRESULT Close() override {
    if (closed_) return S_OK;
    closed_ = true;
    if (view_) view_->RemoveHandlers();
    return controller_->Close();
  }

 private:
  ComPtr<ICoreWebView2Controller> controller_;
  ComPtr<ICoreWebView2Controller2> controller2_;
  std::shared_ptr<ComView> view_;
  bool closed_ = false;
};

// A completion of the runtime, handed to the window's message loop: one for a
// window that is gone by then (the runtime aborts pending creations from
// inside DestroyWindow) is dropped there, with what it holds.
template <typename Wrapper, typename Abstract, typename Raw>
auto DeliverToWindow(HWND window,
                     std::function<HRESULT(HRESULT, std::shared_ptr<Abstract>)> completed) {
  return [window, completed = std::move(completed)](HRESULT result, Raw* raw) {
    std::shared_ptr<Abstract> wrapped;
    if (SUCCEEDED(result) && raw != nullptr) wrapped = std::make_shared<Wrapper>(Retain(raw));
    PostCompletion(window, [completed, result, wrapped] { completed(result, wrapped); });
    return S_OK;
  };
}

class ComEnvironment final : public BrowserEnvironment {
 public:
  explicit ComEnvironment(ComPtr<ICoreWebView2Environment> environment)
      : environment_(std::move(environment)) {
    environment_->QueryInterface(__uuidof(ICoreWebView2Environment10), environment10_.out_void());
  }

  bool SupportsControllerOptions() const override { return static_cast<bool>(environment10_); }
  HRESULT CreateController(HWND parent, ControllerCompleted completed) override {
    return environment_->CreateCoreWebView2Controller(parent,
                                                      Handler(parent, std::move(completed)).get());
  }
  // Falls back to the plain controller when the options cannot carry a colour.
  HRESULT CreateControllerWithBackground(HWND parent, uint32_t argb,
                                         ControllerCompleted completed) override {
    ComPtr<ICoreWebView2ControllerOptions> options;
    ComPtr<ICoreWebView2ControllerOptions3> options3;
    if (!environment10_ ||
        FAILED(environment10_->CreateCoreWebView2ControllerOptions(options.out())) || !options ||
        FAILED(options->QueryInterface(__uuidof(ICoreWebView2ControllerOptions3),
                                       options3.out_void()))) {
      return CreateController(parent, std::move(completed));
    }
    options3->put_DefaultBackgroundColor(ToColor(argb));
    return environment10_->CreateCoreWebView2ControllerWithOptions(
        parent, options.get(), Handler(parent, std::move(completed)).get());
  }

 private:
  static ComPtr<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler> Handler(
      HWND parent, ControllerCompleted completed) {
    return ControllerCompletedHandler::Create(
        DeliverToWindow<ComController, BrowserController, ICoreWebView2Controller>(
            parent, std::move(completed)));
  }

  ComPtr<ICoreWebView2Environment> environment_;
  ComPtr<ICoreWebView2Environment10> environment10_;
};

}  // namespace

WebView2Runtime::WebView2Runtime(std::wstring loaderFileName)
    : loaderFileName_(std::move(loaderFileName)) {}

HRESULT WebView2Runtime::CreateEnvironment(HWND window, const std::wstring& userDataFolder,
                                           EnvironmentCompleted completed) {
  if (createEnvironment_ == nullptr) {
    const HRESULT found = FindWebView2Loader(loaderFileName_.c_str(), createEnvironment_);
    if (FAILED(found)) return found;
  }
  const auto handler = EnvironmentCompletedHandler::Create(
      DeliverToWindow<ComEnvironment, BrowserEnvironment, ICoreWebView2Environment>(
          window, std::move(completed)));
  return createEnvironment_(nullptr, userDataFolder.c_str(), nullptr, handler.get());
}

BrowserRuntime& InstalledBrowserRuntime() {
  static WebView2Runtime runtime;
  return runtime;
}

}  // namespace nubo
