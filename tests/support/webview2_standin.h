#pragma once

// A stand-in for WebView2Loader.dll and the runtime behind it, built as a DLL
// of that name beside the one test program that loads it. Its objects count
// how many are alive and record the calls made on them; completions and the
// page's events come later, through the thread's message loop, as the
// runtime's do.

#include <windows.h>

#include <string>
#include <vector>

namespace nubo::testing {

struct StandInScript {
  HRESULT loaderCall = S_OK;   // the loader entry's own answer
  HRESULT environment = S_OK;  // what the environment completes with
  HRESULT controller = S_OK;   // what each controller completes with
  // Controller creations stay pending until their window is destroyed, then
  // complete with E_ABORT from inside DestroyWindow.
  bool holdControllers = false;
  bool environment10 = true;
  bool controllerOptions3 = true;
  bool controller2 = true;
  bool webView3 = true;
};

enum class PageAction { PostMessage, Navigate, RequestWindow };

class WebView2StandIn {
 public:
  virtual void Script(const StandInScript& script) = 0;
  // The calls made since the last take, in order ("Navigate https://...").
  virtual std::vector<std::wstring> TakeCalls() = 0;
  virtual long LiveObjects() const = 0;
  virtual long Registrations() const = 0;
  virtual long PendingCreations() const = 0;
  // The page of the view that window hosts acts, later; false without one.
  // The uri is the message's source or the target.
  virtual bool Page(HWND window, PageAction action, const std::wstring& uri,
                    const std::wstring& json = L"") = 0;

 protected:
  ~WebView2StandIn() = default;
};

// The DLL's export that hands out its control.
using WebView2StandInAccess = WebView2StandIn* (*)();
inline constexpr char kWebView2StandInAccess[] = "WebView2StandInControl";

}  // namespace nubo::testing
