#include "tests/support/webview2_standin.h"

#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <type_traits>

#include "windows/com_object.h"
#include "windows/webview2_interfaces.h"

namespace nubo::testing {
namespace {

using Handler = ICoreWebView2CreateCoreWebView2ControllerCompletedHandler;
class View;

struct State {
  StandInScript script;
  std::vector<std::wstring> calls;
  long live = 0;
  long registrations = 0;
  std::map<HWND, View*> views;       // by the window hosting them
  std::map<HWND, Handler*> pending;  // held creations, by their host child window
  std::deque<std::function<void()>> later;
  HWND wake = nullptr;
};

State& S() {
  static State state;
  return state;
}

void Record(std::wstring call) { S().calls.push_back(std::move(call)); }
HRESULT Put(const wchar_t* name, long value) {
  Record(name + (L" " + std::to_wstring(value)));
  return S_OK;
}
std::wstring Text(COREWEBVIEW2_COLOR c) {
  return std::to_wstring(c.A) + L"," + std::to_wstring(c.R) + L"," + std::to_wstring(c.G) + L"," +
         std::to_wstring(c.B);
}
LPWSTR Copy(const std::wstring& text) {
  const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  auto* copy = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
  std::memcpy(copy, text.c_str(), bytes);
  return copy;
}

constexpr wchar_t kClass[] = L"NuboWebView2StandIn";
LRESULT CALLBACK StandInProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_APP && !S().later.empty()) {
    auto work = std::move(S().later.front());
    S().later.pop_front();
    work();
  } else if (message == WM_DESTROY && S().pending.count(window) != 0) {
    Handler* handler = S().pending[window];
    S().pending.erase(window);
    handler->Invoke(E_ABORT, nullptr);
    handler->Release();
  }
  return DefWindowProcW(window, message, wParam, lParam);
}
HWND StandInWindow(HWND parent) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = StandInProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = kClass;
  RegisterClassW(&windowClass);
  return CreateWindowExW(0, kClass, L"", parent == HWND_MESSAGE ? 0 : WS_CHILD, 0, 0, 0, 0, parent,
                         nullptr, windowClass.hInstance, nullptr);
}
void Later(std::function<void()> work) {
  if (S().wake == nullptr) S().wake = StandInWindow(HWND_MESSAGE);
  S().later.push_back(std::move(work));
  PostMessageW(S().wake, WM_APP, 0, 0);
}

// Counted while alive; answers Base always and Derived when the script offers it.
template <typename Derived, typename Base = Derived>
class Counted : public ComObject<Derived> {
 public:
  explicit Counted(bool offered = true) : offered_(offered) { ++S().live; }

 protected:
  ~Counted() override { --S().live; }
  bool Answers(REFIID iid) const override {
    return iid == __uuidof(Base) || (offered_ && iid == __uuidof(Derived));
  }

 private:
  bool offered_;
};

class Settings final : public Counted<ICoreWebView2Settings> {
  HRESULT put_IsStatusBarEnabled(BOOL on) override { return Put(L"put_IsStatusBarEnabled", on); }
  HRESULT put_AreDevToolsEnabled(BOOL on) override { return Put(L"put_AreDevToolsEnabled", on); }
  HRESULT put_AreDefaultContextMenusEnabled(BOOL on) override {
    return Put(L"put_AreDefaultContextMenusEnabled", on);
  }
};

class MessageArgs final : public Counted<ICoreWebView2WebMessageReceivedEventArgs> {
 public:
  MessageArgs(std::wstring source, std::wstring json) : source_(source), json_(json) {}
  HRESULT get_Source(LPWSTR* source) override { return *source = Copy(source_), S_OK; }
  HRESULT get_WebMessageAsJson(LPWSTR* json) override { return *json = Copy(json_), S_OK; }

 private:
  std::wstring source_, json_;
};

class NavigationArgs final : public Counted<ICoreWebView2NavigationStartingEventArgs> {
 public:
  explicit NavigationArgs(std::wstring uri) : uri_(uri) {}
  HRESULT get_Uri(LPWSTR* uri) override { return *uri = Copy(uri_), S_OK; }
  HRESULT put_Cancel(BOOL cancel) override { return Put(L"put_Cancel", cancel); }

 private:
  std::wstring uri_;
};

class WindowArgs final : public Counted<ICoreWebView2NewWindowRequestedEventArgs> {
  HRESULT put_Handled(BOOL handled) override { return Put(L"put_Handled", handled); }
};

template <typename H>
class Event {
 public:
  HRESULT Add(const wchar_t* name, H* handler, EventRegistrationToken* token) {
    Record(name);
    token->value = ++next_;
    handlers_.emplace(token->value, Retain(handler));
    ++S().registrations;
    return S_OK;
  }
  HRESULT Remove(const wchar_t* name, EventRegistrationToken token) {
    Record(name);
    if (handlers_.erase(token.value) == 0) return E_INVALIDARG;
    --S().registrations;
    return S_OK;
  }
  long Count() const { return static_cast<long>(handlers_.size()); }
  template <typename Args>
  void Raise(ICoreWebView2* sender, Args* args) {
    std::vector<ComPtr<H>> handlers;
    for (auto& entry : handlers_) handlers.push_back(Retain(entry.second.get()));
    for (auto& handler : handlers) handler->Invoke(sender, args);
    args->Release();
  }

 private:
  INT64 next_ = 0;
  std::map<INT64, ComPtr<H>> handlers_;
};

class View final : public Counted<ICoreWebView2_3, ICoreWebView2> {
 public:
  View() : Counted(S().script.webView3) {}
  HRESULT get_Settings(ICoreWebView2Settings** settings) override {
    Record(L"get_Settings");
    return *settings = new Settings, S_OK;
  }
  HRESULT Navigate(LPCWSTR uri) override { return Record(L"Navigate " + std::wstring(uri)), S_OK; }
  HRESULT PostWebMessageAsJson(LPCWSTR json) override {
    return Record(L"PostWebMessageAsJson " + std::wstring(json)), S_OK;
  }
  HRESULT SetVirtualHostNameToFolderMapping(LPCWSTR host, LPCWSTR folder,
                                            COREWEBVIEW2_HOST_RESOURCE_ACCESS_KIND kind) override {
    Record(L"SetVirtualHostNameToFolderMapping " + std::wstring(host) + L" " + folder + L" " +
           std::to_wstring(kind));
    return S_OK;
  }
  HRESULT add_NavigationStarting(ICoreWebView2NavigationStartingEventHandler* handler,
                                 EventRegistrationToken* token) override {
    return navigation_.Add(L"add_NavigationStarting", handler, token);
  }
  HRESULT remove_NavigationStarting(EventRegistrationToken token) override {
    return navigation_.Remove(L"remove_NavigationStarting", token);
  }
  HRESULT add_WebMessageReceived(ICoreWebView2WebMessageReceivedEventHandler* handler,
                                 EventRegistrationToken* token) override {
    return message_.Add(L"add_WebMessageReceived", handler, token);
  }
  HRESULT remove_WebMessageReceived(EventRegistrationToken token) override {
    return message_.Remove(L"remove_WebMessageReceived", token);
  }
  HRESULT add_NewWindowRequested(ICoreWebView2NewWindowRequestedEventHandler* handler,
                                 EventRegistrationToken* token) override {
    return window_.Add(L"add_NewWindowRequested", handler, token);
  }
  HRESULT remove_NewWindowRequested(EventRegistrationToken token) override {
    return window_.Remove(L"remove_NewWindowRequested", token);
  }

  long Registered() const { return navigation_.Count() + message_.Count() + window_.Count(); }
  void Act(PageAction action, const std::wstring& uri, const std::wstring& json) {
    if (action == PageAction::PostMessage) message_.Raise(this, new MessageArgs(uri, json));
    if (action == PageAction::Navigate) navigation_.Raise(this, new NavigationArgs(uri));
    if (action == PageAction::RequestWindow) window_.Raise(this, new WindowArgs);
  }

 private:
  Event<ICoreWebView2NavigationStartingEventHandler> navigation_;
  Event<ICoreWebView2WebMessageReceivedEventHandler> message_;
  Event<ICoreWebView2NewWindowRequestedEventHandler> window_;
};

class Controller final : public Counted<ICoreWebView2Controller2, ICoreWebView2Controller> {
 public:
  explicit Controller(HWND parent) : Counted(S().script.controller2), parent_(parent) {
    S().views[parent] = view_.get();
  }
  ~Controller() override { S().views.erase(parent_); }
  HRESULT put_IsVisible(BOOL visible) override { return Put(L"put_IsVisible", visible); }
  HRESULT put_Bounds(RECT) override { return Record(L"put_Bounds"), S_OK; }
  // Records how many of the view's handlers were still registered.
  HRESULT Close() override {
    S().views.erase(parent_);
    return Put(L"Close", view_->Registered());
  }
  HRESULT get_CoreWebView2(ICoreWebView2** view) override {
    Record(L"get_CoreWebView2");
    view_->AddRef();
    return *view = view_.get(), S_OK;
  }
  HRESULT put_DefaultBackgroundColor(COREWEBVIEW2_COLOR color) override {
    return Record(L"put_DefaultBackgroundColor " + Text(color)), S_OK;
  }

 private:
  HWND parent_;
  ComPtr<View> view_ = Adopt(new View);
};

class Options final : public Counted<ICoreWebView2ControllerOptions3, ICoreWebView2ControllerOptions> {
 public:
  Options() : Counted(S().script.controllerOptions3) {}
  HRESULT put_DefaultBackgroundColor(COREWEBVIEW2_COLOR color) override {
    return Record(L"put_DefaultBackgroundColor " + Text(color)), S_OK;
  }
};

// Completes handler later with object (released after) or with the failure.
template <typename H, typename Make>
void CompleteLater(H* handler, HRESULT result, Make make) {
  handler->AddRef();
  Later([handler, result, make] {
    auto* object = SUCCEEDED(result) ? make() : nullptr;
    handler->Invoke(result, object);
    if (object != nullptr) object->Release();
    handler->Release();
  });
}

class Environment final : public Counted<ICoreWebView2Environment10, ICoreWebView2Environment> {
 public:
  Environment() : Counted(S().script.environment10) {}
  HRESULT CreateCoreWebView2Controller(HWND parent, Handler* handler) override {
    return Create(L"CreateCoreWebView2Controller", parent, handler);
  }
  HRESULT CreateCoreWebView2ControllerOptions(ICoreWebView2ControllerOptions** options) override {
    Record(L"CreateCoreWebView2ControllerOptions");
    return *options = new Options, S_OK;
  }
  HRESULT CreateCoreWebView2ControllerWithOptions(HWND parent, ICoreWebView2ControllerOptions*,
                                                  Handler* handler) override {
    return Create(L"CreateCoreWebView2ControllerWithOptions", parent, handler);
  }

 private:
  static HRESULT Create(const wchar_t* name, HWND parent, Handler* handler) {
    Record(name);
    if (S().script.holdControllers) {
      handler->AddRef();
      S().pending[StandInWindow(parent)] = handler;
    } else {
      CompleteLater(handler, S().script.controller, [parent] { return new Controller(parent); });
    }
    return S_OK;
  }
};

class Control final : public WebView2StandIn {
 public:
  void Script(const StandInScript& script) override { S().script = script; }
  std::vector<std::wstring> TakeCalls() override { return std::exchange(S().calls, {}); }
  long LiveObjects() const override { return S().live; }
  long Registrations() const override { return S().registrations; }
  long PendingCreations() const override { return static_cast<long>(S().pending.size()); }
  bool Page(HWND window, PageAction action, const std::wstring& uri, const std::wstring& json) override {
    if (S().views.count(window) == 0) return false;
    Later([=] {
      if (S().views.count(window) != 0) S().views[window]->Act(action, uri, json);
    });
    return true;
  }
};

}  // namespace
}  // namespace nubo::testing

using nubo::testing::S;

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE CreateCoreWebView2EnvironmentWithOptions(
    PCWSTR browserFolder, PCWSTR userDataFolder, ICoreWebView2EnvironmentOptions* options,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler) {
  nubo::testing::Record(L"CreateCoreWebView2EnvironmentWithOptions " +
                        std::wstring(browserFolder != nullptr ? browserFolder : L"(installed)") + L" " +
                        userDataFolder + (options != nullptr ? L" (options)" : L""));
  if (FAILED(S().script.loaderCall)) return S().script.loaderCall;
  nubo::testing::CompleteLater(handler, S().script.environment,
                               [] { return new nubo::testing::Environment; });
  return S_OK;
}
static_assert(std::is_same_v<decltype(&CreateCoreWebView2EnvironmentWithOptions),
                             CreateCoreWebView2EnvironmentWithOptionsFunction>);

extern "C" __declspec(dllexport) nubo::testing::WebView2StandIn* WebView2StandInControl() {
  static nubo::testing::Control control;
  return &control;
}
