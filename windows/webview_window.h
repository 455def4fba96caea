#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "characters/pet_layout.h"
#include "windows/browser_host.h"
#include "windows/pet_geometry.h"

namespace nubo {

class WindowOwner;

enum class WindowKind : int32_t { Pet = 0, Dashboard = 1 };

// The one window class of the program: the pet (borderless, transparent,
// topmost) or the workbench, each hosting one browser view of the front end.
class WebViewWindow {
 public:
  WebViewWindow(WindowOwner& owner, WindowKind kind);
  ~WebViewWindow();
  WebViewWindow(const WebViewWindow&) = delete;
  WebViewWindow& operator=(const WebViewWindow&) = delete;

  bool Create(HINSTANCE instance);
  void Show();
  void Hide();
  // Posts JSON text to the front end; nothing while the browser is not ready.
  void PostJson(std::string_view json);
  void SetIcons(HICON large, HICON small);
  void SetTitle(const std::wstring& title);
  void ResizeWebView();
  void UpdateWebViewVisibility();
  void ExtendFrameIntoClientArea();

  WindowKind Kind() const { return kind_; }
  HWND Handle() const { return hwnd_; }
  bool IsBrowserReady() const { return view_ != nullptr; }
  bool IsVisible() const;
  bool IsShownAndNotMinimised() const;

  // Pet behaviour: drag, menu, presentation, monitor clamping.
  void ClampToMonitor();
  void BeginDrag();
  void DragMove();
  void EndDrag();
  void SetPetMenuLayout(bool open, PetLayout layout);
  void StartPresentation(std::string_view priority, HWND dashboard);
  void EndPresentation(bool postEnded);
  void CancelPresentation();
  bool IsPresenting() const { return phase_ != PresentationPhase::None; }
  void OnPresentationTimer();

  // Read by tests.
  PresentationPhase Phase() const { return phase_; }
  bool IsPetMenuOpen() const { return petMenuOpen_; }
  bool IsDragging() const { return dragging_; }

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessageUnguarded(UINT message, WPARAM wParam, LPARAM lParam);
  void InitializeWebView();
  void CloseBrowser();
  HRESULT OnEnvironmentCreated(HRESULT result, std::shared_ptr<BrowserEnvironment> environment);
  HRESULT OnControllerCreated(HRESULT result, std::shared_ptr<BrowserController> controller);
  void ConfigureWebView();
  HRESULT OnWebMessageReceived(const BrowserWebMessage& message);
  void OnDpiChanged(WPARAM wParam, const RECT& suggested);
  void OnDisplayChange();
  void PlaceWindow(const PixelRect& rect, bool topmost);
  void PostClosedMenuLayout();
  void ReportFailure(const char* text);

  WindowOwner& owner_;
  WindowKind kind_;
  HWND hwnd_ = nullptr;
  std::shared_ptr<BrowserEnvironment> environment_;
  std::shared_ptr<BrowserController> controller_;
  std::shared_ptr<BrowserView> view_;

  PresentationPhase phase_ = PresentationPhase::None;
  bool petMenuOpen_ = false;
  PixelRect menuRestRect_{};
  bool menuSingleLayout_ = true;
  int menuDpi_ = kDefaultDpi;
  PixelRect presentationRestRect_{};
  PixelRect animationStartRect_{};
  PixelRect presentationTargetRect_{};
  uint64_t presentationStartTick_ = 0;
  std::string presentationLevel_ = "normal";
  bool dragging_ = false;
  POINT dragStartCursor_{};
  PixelRect dragStartRect_{};
};

// The monitor's effective dpi, 96 when it cannot be asked.
int GetMonitorDpi(HMONITOR monitor);

bool IsAppOriginUri(const wchar_t* uri);

class DesktopShell;
void ShowWebViewError(DesktopShell& shell, HWND owner, const wchar_t* step, HRESULT result);

}  // namespace nubo
