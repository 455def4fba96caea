#pragma once

#include <string>

#include "windows/browser_host.h"
#include "windows/webview2_interfaces.h"

namespace nubo {

// The browser layer over the WebView2 runtime, reached through its loader
// library. The library is looked for on the first environment asked for, and
// again after a failed look; once found it stays.
class WebView2Runtime final : public BrowserRuntime {
 public:
  explicit WebView2Runtime(std::wstring loaderFileName = L"WebView2Loader.dll");

  HRESULT CreateEnvironment(HWND window, const std::wstring& userDataFolder,
                            EnvironmentCompleted completed) override;

 private:
  std::wstring loaderFileName_;
  CreateCoreWebView2EnvironmentWithOptionsFunction createEnvironment_ = nullptr;
};

}  // namespace nubo
