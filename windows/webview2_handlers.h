#pragma once

#include <functional>
#include <utility>

#include "windows/com_object.h"
#include "windows/webview2_interfaces.h"

namespace nubo {

// A completion or event handler that the runtime calls: a COM object running
// a function. No exception reaches the runtime.
template <typename Interface, typename First, typename Second>
class WebView2Handler final : public ComObject<Interface> {
 public:
  using Function = std::function<HRESULT(First, Second)>;

  static ComPtr<Interface> Create(Function function) {
    return Adopt<Interface>(new WebView2Handler(std::move(function)));
  }

  HRESULT STDMETHODCALLTYPE Invoke(First first, Second second) override {
    try {
      return function_(first, second);
    } catch (...) {
      return E_FAIL;
    }
  }

 private:
  explicit WebView2Handler(Function function) : function_(std::move(function)) {}
  ~WebView2Handler() override = default;

  Function function_;
};

using EnvironmentCompletedHandler =
    WebView2Handler<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler, HRESULT,
                    ICoreWebView2Environment*>;
using ControllerCompletedHandler =
    WebView2Handler<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler, HRESULT,
                    ICoreWebView2Controller*>;
using WebMessageReceivedHandler =
    WebView2Handler<ICoreWebView2WebMessageReceivedEventHandler, ICoreWebView2*,
                    ICoreWebView2WebMessageReceivedEventArgs*>;
using NavigationStartingHandler =
    WebView2Handler<ICoreWebView2NavigationStartingEventHandler, ICoreWebView2*,
                    ICoreWebView2NavigationStartingEventArgs*>;
using NewWindowRequestedHandler =
    WebView2Handler<ICoreWebView2NewWindowRequestedEventHandler, ICoreWebView2*,
                    ICoreWebView2NewWindowRequestedEventArgs*>;

}  // namespace nubo
