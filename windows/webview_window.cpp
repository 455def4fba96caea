#include "windows/webview_window.h"

#include <dwmapi.h>

#include <cstdio>
#include <exception>

#include "store/text_convert.h"
#include "store/win_handles.h"
#include "windows/completion_queue.h"
#include "windows/desktop_shell.h"
#include "windows/window_constants.h"
#include "windows/window_owner.h"

namespace nubo {
namespace {

constexpr uint32_t kTransparent = 0x00000000;

PixelRect ToPixelRect(const RECT& rect) { return PixelRect{rect.left, rect.top, rect.right, rect.bottom}; }

HICON LoadClassIcon(HINSTANCE instance, int width, int height) {
  return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(kAppIconResource), IMAGE_ICON,
                                       width, height, LR_SHARED));
}

bool RegisterWindowClass(HINSTANCE instance) {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof(existing);
  if (GetClassInfoExW(instance, kWindowClassName, &existing)) return true;

  HICON large = LoadClassIcon(instance, GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON));
  if (large == nullptr) large = LoadIconW(nullptr, IDI_APPLICATION);
  HICON small = LoadClassIcon(instance, GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON));
  if (small == nullptr) small = large;

  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.style = CS_DBLCLKS;
  windowClass.lpfnWndProc = &WebViewWindow::WindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = large;
  windowClass.hIconSm = small;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = nullptr;
  windowClass.lpszClassName = kWindowClassName;
  return RegisterClassExW(&windowClass) != 0;
}

bool PrimaryWorkArea(PixelRect& area) {
  RECT rect{};
  if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &rect, 0)) return false;
  area = ToPixelRect(rect);
  return true;
}

class WebMessageText {
 public:
  explicit WebMessageText(const BrowserWebMessage& message) : message_(message) {}
  bool FromAppOrigin() const {
    std::wstring source;
    return message_.GetSource(source) && IsAppOriginUri(source.c_str());
  }
  bool Json(std::wstring& json) const { return message_.GetJson(json) && !json.empty(); }

 private:
  const BrowserWebMessage& message_;
};

}  // namespace

WebViewWindow::WebViewWindow(WindowOwner& owner, WindowKind kind) : owner_(owner), kind_(kind) {}

WebViewWindow::~WebViewWindow() {
  CloseBrowser();
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

// The browser goes before its window: the runtime would otherwise close the
// controller itself while the view's handlers are still registered.
void WebViewWindow::CloseBrowser() {
  if (controller_) controller_->Close();
  view_.reset();
  controller_.reset();
  environment_.reset();
}

bool WebViewWindow::Create(HINSTANCE instance) {
  if (!RegisterWindowClass(instance)) return false;
  PixelRect workArea{};
  PrimaryWorkArea(workArea);

  PixelRect place{};
  DWORD style = 0;
  DWORD exStyle = 0;
  std::wstring title;
  if (kind_ == WindowKind::Dashboard) {
    place = ComputeDashboardRect(workArea);
    style = WS_OVERLAPPEDWINDOW;
    exStyle = WS_EX_APPWINDOW;
    title = kAppCaption;
  } else {
    const POINT anchor = owner_.HasPetPosition() ? owner_.PetPosition()
                                                 : POINT{workArea.right - 1, workArea.bottom - 1};
    const HMONITOR monitor = MonitorFromPoint(anchor, MONITOR_DEFAULTTONEAREST);
    const int dpi = EffectiveDpi(GetMonitorDpi(monitor));
    place = ComputeDefaultPetRect(workArea, dpi);
    if (owner_.HasPetPosition()) {
      MONITORINFO info{};
      info.cbSize = sizeof(info);
      if (GetMonitorInfoW(monitor, &info)) {
        place = ComputeSavedPetRect(ToPixelRect(info.rcMonitor), anchor.x, anchor.y, dpi);
      }
    }
    style = WS_POPUP;
    exStyle = WS_EX_TOPMOST | WS_EX_TOOLWINDOW;
    title = Utf8ToUtf16(owner_.PetName());
  }

  CreateWindowExW(exStyle, kWindowClassName, title.c_str(), style, place.left, place.top,
                  place.Width(), place.Height(), nullptr, nullptr, instance, this);
  if (hwnd_ != nullptr && kind_ == WindowKind::Pet) ExtendFrameIntoClientArea();
  return hwnd_ != nullptr;
}

bool WebViewWindow::IsVisible() const { return hwnd_ != nullptr && IsWindowVisible(hwnd_); }

bool WebViewWindow::IsShownAndNotMinimised() const { return IsVisible() && !IsIconic(hwnd_); }

void WebViewWindow::Show() {
  if (hwnd_ == nullptr) return;
  if (kind_ == WindowKind::Dashboard) {
    ShowWindow(hwnd_, IsIconic(hwnd_) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(hwnd_);
  } else {
    ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
    SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, 0, 0,
                 SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
  }
  ResizeWebView();
  UpdateWebViewVisibility();
}

void WebViewWindow::Hide() {
  if (hwnd_ == nullptr) return;
  if (kind_ == WindowKind::Pet) SetPetMenuLayout(false, PetLayout::kSingle);
  ShowWindow(hwnd_, SW_HIDE);
  UpdateWebViewVisibility();
}

void WebViewWindow::PostJson(std::string_view json) {
  if (!view_) return;
  view_->PostWebMessageAsJson(Utf8ToUtf16(json));
}

void WebViewWindow::SetIcons(HICON large, HICON small) {
  if (hwnd_ == nullptr) return;
  if (large != nullptr) SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(large));
  if (small != nullptr) SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
}

void WebViewWindow::SetTitle(const std::wstring& title) {
  if (hwnd_ != nullptr) SetWindowTextW(hwnd_, title.c_str());
}

void WebViewWindow::ResizeWebView() {
  if (!controller_ || hwnd_ == nullptr) return;
  RECT client{};
  GetClientRect(hwnd_, &client);
  controller_->SetBounds(client);
}

void WebViewWindow::UpdateWebViewVisibility() {
  if (!controller_ || hwnd_ == nullptr) return;
  controller_->SetVisible(IsWindowVisible(hwnd_) && !IsIconic(hwnd_));
}

void WebViewWindow::ExtendFrameIntoClientArea() {
  if (kind_ != WindowKind::Pet || hwnd_ == nullptr) return;
  const MARGINS margins{-1, -1, -1, -1};
  DwmExtendFrameIntoClientArea(hwnd_, &margins);
}

LRESULT CALLBACK WebViewWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  WebViewWindow* self = nullptr;
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    self = static_cast<WebViewWindow*>(create->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  } else {
    self = reinterpret_cast<WebViewWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  }
  if (self == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    DropCompletions(hwnd);
    self->hwnd_ = nullptr;
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
  return self->HandleMessage(message, wParam, lParam);
}

// No exception may leave a window procedure: a failure is told to the front
// end instead.
LRESULT WebViewWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    return HandleMessageUnguarded(message, wParam, lParam);
  } catch (const std::exception& error) {
    ReportFailure(error.what());
  } catch (...) {
    ReportFailure("Unexpected failure.");
  }
  return 0;
}

void WebViewWindow::ReportFailure(const char* text) {
  try {
    owner_.BroadcastAppError(text);
  } catch (...) {
    // Nothing is left to tell it to.
  }
}

LRESULT WebViewWindow::HandleMessageUnguarded(UINT message, WPARAM wParam, LPARAM lParam) {
  const bool pet = kind_ == WindowKind::Pet;
  switch (message) {
    case WM_CREATE:
      InitializeWebView();
      if (pet) SetTimer(hwnd_, kTickTimerId, kTickTimerMs, nullptr);
      return 0;
    case WM_DESTROY:
      CloseBrowser();
      if (pet) {
        KillTimer(hwnd_, kTickTimerId);
        KillTimer(hwnd_, kPresentationTimerId);
        PostQuitMessage(0);
      }
      return 0;
    case WM_SIZE:
      ResizeWebView();
      UpdateWebViewVisibility();
      if (!pet) owner_.UpdatePetVisibility();
      return 0;
    case WM_SHOWWINDOW:
      if (!pet) owner_.UpdatePetVisibility();
      return 0;
    case WM_ACTIVATE:
      if (pet && LOWORD(wParam) == WA_INACTIVE && petMenuOpen_) SetPetMenuLayout(false, PetLayout::kSingle);
      return 0;
    case WM_CLOSE:
      if (pet) {
        owner_.Quit();
      } else {
        owner_.HideDashboard();
      }
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_GETMINMAXINFO:
      if (!pet) {
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        info->ptMinTrackSize.x = kDashboardMinWidth;
        info->ptMinTrackSize.y = kDashboardMinHeight;
      }
      return 0;
    case WM_DISPLAYCHANGE:
      if (pet) OnDisplayChange();
      return 0;
    case WM_EXITSIZEMOVE:
      if (pet && !IsPresenting()) {
        ClampToMonitor();
        owner_.SavePetPosition(hwnd_);
      }
      return 0;
    case WM_TIMER:
      if (pet && wParam == kTickTimerId) owner_.OnTick();
      if (pet && wParam == kPresentationTimerId) OnPresentationTimer();
      return 0;
    case WM_DPICHANGED:
      OnDpiChanged(wParam, *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_DWMCOMPOSITIONCHANGED:
      if (pet) ExtendFrameIntoClientArea();
      return 0;
    case kTrayCallbackMessage:
      owner_.OnTrayMessage(lParam);
      return 0;
    case kCompletionMessage:
      RunCompletion(hwnd_, lParam);
      return 0;
    default:
      return DefWindowProcW(hwnd_, message, wParam, lParam);
  }
}

void WebViewWindow::InitializeWebView() {
  const HRESULT result = owner_.Browser().CreateEnvironment(
      hwnd_, owner_.BrowserDataFolder(),
      [this](HRESULT created, std::shared_ptr<BrowserEnvironment> environment) {
        return OnEnvironmentCreated(created, std::move(environment));
      });
  if (FAILED(result)) ShowWebViewError(owner_.Shell(), hwnd_, kStepInitialize, result);
}

HRESULT WebViewWindow::OnEnvironmentCreated(HRESULT result,
                                            std::shared_ptr<BrowserEnvironment> environment) {
  if (FAILED(result) || !environment) {
    ShowWebViewError(owner_.Shell(), hwnd_, kStepEnvironment, result);
    return result;
  }
  environment_ = std::move(environment);
  auto completed = [this](HRESULT created, std::shared_ptr<BrowserController> controller) {
    return OnControllerCreated(created, std::move(controller));
  };
  if (kind_ == WindowKind::Pet && environment_->SupportsControllerOptions()) {
    return environment_->CreateControllerWithBackground(hwnd_, kTransparent, completed);
  }
  return environment_->CreateController(hwnd_, completed);
}

HRESULT WebViewWindow::OnControllerCreated(HRESULT result,
                                           std::shared_ptr<BrowserController> controller) {
  if (FAILED(result) || !controller) {
    ShowWebViewError(owner_.Shell(), hwnd_, kStepController, result);
    return result;
  }
  controller_ = std::move(controller);
  view_ = controller_->View();
  try {
    ConfigureWebView();
    ResizeWebView();
    UpdateWebViewVisibility();
  } catch (const std::exception& error) {
    ReportFailure(error.what());
  }
  return S_OK;
}

void WebViewWindow::ConfigureWebView() {
  if (!view_) return;
  view_->SetStatusBarEnabled(false);
  view_->SetDefaultContextMenusEnabled(false);
  view_->SetDevToolsEnabled(false);
  if (kind_ == WindowKind::Pet && controller_->SupportsBackgroundColor()) {
    controller_->SetDefaultBackgroundColor(kTransparent);
  }
  if (view_->SupportsHostMapping()) {
    view_->MapHostToFolder(kUiHost, owner_.UiFolder(), HostResourceAccess::DenyCors);
    view_->MapHostToFolder(kCharactersHost, owner_.CharactersFolder(), HostResourceAccess::Allow);
  }
  view_->SetWebMessageHandler(
      [this](const BrowserWebMessage& message) { return OnWebMessageReceived(message); });
  view_->SetNavigationHandler([](BrowserNavigation& navigation) {
    std::wstring target;
    if (!navigation.GetTargetUri(target) || !IsAppOriginUri(target.c_str())) navigation.Cancel();
  });
  view_->Navigate(kind_ == WindowKind::Pet ? kPetStartPage : kDashboardStartPage);
}

HRESULT WebViewWindow::OnWebMessageReceived(const BrowserWebMessage& message) {
  const WebMessageText incoming(message);
  if (!incoming.FromAppOrigin()) return S_OK;
  std::wstring json;
  if (!incoming.Json(json)) return S_OK;
  try {
    owner_.HandleWebMessage(*this, Utf16ToUtf8(json));
  } catch (...) {
    return E_FAIL;
  }
  return S_OK;
}

int GetMonitorDpi(HMONITOR monitor) {
  using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
  constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI
  const ModuleHandle shcore(LoadLibraryExW(L"shcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  if (!shcore) return kDefaultDpi;
  int dpi = kDefaultDpi;
  auto getDpi = reinterpret_cast<GetDpiForMonitorFn>(
      reinterpret_cast<void*>(GetProcAddress(shcore.get(), "GetDpiForMonitor")));
  UINT x = 0;
  UINT y = 0;
  if (getDpi != nullptr && SUCCEEDED(getDpi(monitor, kEffectiveDpi, &x, &y))) {
    dpi = static_cast<int>(x);
  }
  return dpi;
}

bool IsAppOriginUri(const wchar_t* uri) {
  if (uri == nullptr) return false;
  const std::wstring_view origin(kAppOrigin);
  for (size_t i = 0; i < origin.size(); ++i) {
    if (uri[i] != origin[i]) return false;  // also stops at the terminator
  }
  return true;
}

void ShowWebViewError(DesktopShell& shell, HWND owner, const wchar_t* step, HRESULT result) {
  wchar_t text[256] = {};
  swprintf(text, 256, kWebViewErrorFormat, step, static_cast<unsigned>(result));
  shell.ShowMessageBox(owner, text, kAppCaption, MB_OK | MB_ICONERROR);
}

}  // namespace nubo
