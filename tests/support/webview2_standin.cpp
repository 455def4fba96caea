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
  std::map<HWND, Handler*> pending;  // held creations, by their child window
  std::deque<std::function<void()>> later;
  HWND wake = nullptr;
};
State& S() {
  static State state;
  return state;
}

HRESULT Record(std::wstring call) {
  S().calls.push_back(std::move(call));
  return S_OK;
}
std::wstring Text(LPCWSTR text) { return text != nullptr ? text : L"(none)"; }
std::wstring Text(long value) { return std::to_wstring(value); }
std::wstring Text(COREWEBVIEW2_COLOR c) {
  return Text(c.A) + L"," + Text(c.R) + L"," + Text(c.G) + L"," + Text(c.B);
}
HRESULT Copy(const std::wstring& text, LPWSTR* copy) {
  const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  *copy = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
  std::memcpy(*copy, text.c_str(), bytes);
  return S_OK;
}
#define RECORDED(method, type) \
  HRESULT method(type value) override { return Record(L## #method L" " + Text(value)); }

// Runs queued work through the thread's message loop (WM_APP to a message-only
// window), and completes a held creation when its child window is destroyed.
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
  windowClass.lpszClassName = L"NuboWebView2StandIn";
  RegisterClassW(&windowClass);
  const DWORD style = parent == HWND_MESSAGE ? 0 : WS_CHILD;
  return CreateWindowExW(0, windowClass.lpszClassName, L"", style, 0, 0, 0, 0, parent, nullptr,
                         windowClass.hInstance, nullptr);
}
void Later(std::function<void()> work) {
  if (S().wake == nullptr) S().wake = StandInWindow(HWND_MESSAGE);
  S().later.push_back(std::move(work));
  PostMessageW(S().wake, WM_APP, 0, 0);
}

// Counted while alive; answers Base, and Latest when the script offers it.
template <typename Latest, typename Base = Latest>
class Counted : public ComObject<Latest> {
 public:
  explicit Counted(bool offered = true) : offered_(offered) { ++S().live; }

 protected:
  ~Counted() override { --S().live; }
  bool Answers(REFIID iid) const override {
    return iid == __uuidof(Base) || (offered_ && iid == __uuidof(Latest));
  }

 private:
  bool offered_;
};

class Settings final : public Counted<ICoreWebView2Settings> {
  RECORDED(put_IsStatusBarEnabled, BOOL)
  RECORDED(put_AreDevToolsEnabled, BOOL)
  RECORDED(put_AreDefaultContextMenusEnabled, BOOL)
};

class MessageArgs final : public Counted<ICoreWebView2WebMessageReceivedEventArgs> {
 public:
  MessageArgs(std::wstring source, std::wstring json) : source_(source), json_(json) {}
  HRESULT get_Source(LPWSTR* source) override { return Copy(source_, source); }
  HRESULT get_WebMessageAsJson(LPWSTR* json) override { return Copy(json_, json); }

 private:
  std::wstring source_, json_;
};

class NavigationArgs final : public Counted<ICoreWebView2NavigationStartingEventArgs> {
 public:
  explicit NavigationArgs(std::wstring uri) : uri_(uri) {}
  HRESULT get_Uri(LPWSTR* uri) override { return Copy(uri_, uri); }
  RECORDED(put_Cancel, BOOL)

 private:
  std::wstring uri_;
};

class WindowArgs final : public Counted<ICoreWebView2NewWindowRequestedEventArgs> {
  RECORDED(put_Handled, BOOL)
};

template <typename H>
class Event {
 public:
  HRESULT Add(const wchar_t* name, H* handler, EventRegistrationToken* token) {
    token->value = ++next_;
    handlers_.emplace(token->value, Retain(handler));
    ++S().registrations;
    return Record(name);
  }
  HRESULT Remove(const wchar_t* name, EventRegistrationToken token) {
    if (handlers_.erase(token.value) == 0) return E_INVALIDARG;
    --S().registrations;
    return Record(name);
  }
  long Count() const { return static_cast<long>(handlers_.size()); }
  template <typename Args>
  void Raise(ICoreWebView2* sender, Args* args) {
    for (auto& entry : handlers_) entry.second->Invoke(sender, args);
    args->Release();
  }

 private:
  INT64 next_ = 0;
  std::map<INT64, ComPtr<H>> handlers_;
};
#define EVENT(name, member)                                                                    \
  HRESULT add_##name(ICoreWebView2##name##EventHandler* handler, EventRegistrationToken* token) \
      override {                                                                               \
    return member.Add(L"add_" #name, handler, token);                                          \
  }                                                                                            \
  HRESULT remove_##name(EventRegistrationToken token) override {                               \
    return member.Remove(L"remove_" #name, token);                                             \
  }

class View final : public Counted<ICoreWebView2_3, ICoreWebView2> {
 public:
  View() : Counted(S().script.webView3) {}
  HRESULT get_Settings(ICoreWebView2Settings** settings) override {
    *settings = new Settings;
    return Record(L"get_Settings");
  }
  RECORDED(Navigate, LPCWSTR)
  RECORDED(PostWebMessageAsJson, LPCWSTR)
  HRESULT SetVirtualHostNameToFolderMapping(LPCWSTR host, LPCWSTR folder,
                                            COREWEBVIEW2_HOST_RESOURCE_ACCESS_KIND kind) override {
    return Record(L"SetVirtualHostNameToFolderMapping " + Text(host) + L" " + Text(folder) + L" " +
                  Text(kind));
  }
  EVENT(NavigationStarting, navigation_)
  EVENT(WebMessageReceived, message_)
  EVENT(NewWindowRequested, window_)

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
  RECORDED(put_IsVisible, BOOL)
  RECORDED(put_DefaultBackgroundColor, COREWEBVIEW2_COLOR)
  HRESULT put_Bounds(RECT) override { return Record(L"put_Bounds"); }
  // Records how many of the view's handlers are still registered.
  HRESULT Close() override {
    S().views.erase(parent_);
    return Record(L"Close " + Text(view_->Registered()));
  }
  HRESULT get_CoreWebView2(ICoreWebView2** view) override {
    view_->AddRef();
    *view = view_.get();
    return Record(L"get_CoreWebView2");
  }

 private:
  HWND parent_;
  ComPtr<View> view_ = Adopt(new View);
};

class Options final
    : public Counted<ICoreWebView2ControllerOptions3, ICoreWebView2ControllerOptions> {
 public:
  Options() : Counted(S().script.controllerOptions3) {}
  RECORDED(put_DefaultBackgroundColor, COREWEBVIEW2_COLOR)
};

// Completes later with a new object (released after) or with the failure.
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
    *options = new Options;
    return Record(L"CreateCoreWebView2ControllerOptions");
  }
  HRESULT CreateCoreWebView2ControllerWithOptions(HWND parent, ICoreWebView2ControllerOptions*,
                                                  Handler* handler) override {
    return Create(L"CreateCoreWebView2ControllerWithOptions", parent, handler);
  }

 private:
  static HRESULT Create(const wchar_t* name, HWND parent, Handler* handler) {
    if (S().script.holdControllers) {
      handler->AddRef();
      S().pending[StandInWindow(parent)] = handler;
    } else {
      CompleteLater(handler, S().script.controller, [parent] { return new Controller(parent); });
    }
    return Record(name);
  }
};

class Control final : public WebView2StandIn {
 public:
  void Script(const StandInScript& script) override { S().script = script; }
  std::vector<std::wstring> TakeCalls() override { return std::exchange(S().calls, {}); }
  long LiveObjects() const override { return S().live; }
  long Registrations() const override { return S().registrations; }
  long PendingCreations() const override { return static_cast<long>(S().pending.size()); }
  bool Page(HWND window, PageAction action, const std::wstring& uri,
            const std::wstring& json) override {
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
  using nubo::testing::Text;
  nubo::testing::Record(L"CreateCoreWebView2EnvironmentWithOptions " + Text(browserFolder) + L" " +
                        Text(userDataFolder) + (options != nullptr ? L" (options)" : L""));
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
