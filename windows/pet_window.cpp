// The pet window's own behaviour: kept on its monitor, dragged by the front
// end, enlarged around itself for its menu, following DPI changes and playing
// the presentation of a due reminder.

#include <nlohmann/json.hpp>

#include "windows/webview_window.h"
#include "windows/window_constants.h"
#include "windows/window_owner.h"

namespace nubo {
namespace {

constexpr UINT kMoveOnly = SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOZORDER;
constexpr UINT kMoveAndSize = SWP_NOACTIVATE | SWP_NOZORDER;

bool ReadWindowRect(HWND hwnd, PixelRect& out) {
  RECT rect{};
  if (!GetWindowRect(hwnd, &rect)) return false;
  out = PixelRect{rect.left, rect.top, rect.right, rect.bottom};
  return true;
}

bool WorkAreaOf(HMONITOR monitor, PixelRect& out) {
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  if (monitor == nullptr || !GetMonitorInfoW(monitor, &info)) return false;
  out = PixelRect{info.rcWork.left, info.rcWork.top, info.rcWork.right, info.rcWork.bottom};
  return true;
}

bool WorkAreaNear(const PixelRect& rect, PixelRect& out) {
  const RECT r{rect.left, rect.top, rect.right, rect.bottom};
  return WorkAreaOf(MonitorFromRect(&r, MONITOR_DEFAULTTONEAREST), out);
}

int WindowDpi(HWND hwnd) { return EffectiveDpi(static_cast<int>(GetDpiForWindow(hwnd))); }

const char* PlacementText(const PetMenuPlacement& placement) {
  if (placement.side < 0) return "left";
  if (placement.side > 0) return "right";
  return placement.above ? "above" : "below";
}

}  // namespace

void WebViewWindow::PlaceWindow(const PixelRect& rect, bool topmost) {
  SetWindowPos(hwnd_, topmost ? HWND_TOPMOST : nullptr, rect.left, rect.top, rect.Width(),
               rect.Height(), topmost ? SWP_NOACTIVATE : kMoveAndSize);
}

void WebViewWindow::PostClosedMenuLayout() { PostJson(kMenuClosedMessage); }

void WebViewWindow::ClampToMonitor() {
  if (kind_ != WindowKind::Pet || hwnd_ == nullptr || IsPresenting()) return;
  PixelRect window{};
  PixelRect area{};
  if (!ReadWindowRect(hwnd_, window) ||
      !WorkAreaOf(MonitorFromWindow(hwnd_, MONITOR_DEFAULTTONEAREST), area)) {
    return;
  }
  const PixelRect clamped = ClampAndSnap(window, area);
  SetWindowPos(hwnd_, nullptr, clamped.left, clamped.top, 0, 0, kMoveOnly);
}

void WebViewWindow::BeginDrag() {
  if (kind_ != WindowKind::Pet || hwnd_ == nullptr || IsPresenting()) return;
  SetPetMenuLayout(false, PetLayout::kSingle);
  dragging_ = GetCursorPos(&dragStartCursor_) && ReadWindowRect(hwnd_, dragStartRect_);
}

void WebViewWindow::DragMove() {
  if (kind_ != WindowKind::Pet || hwnd_ == nullptr || !dragging_ || IsPresenting()) return;
  POINT cursor{};
  if (!GetCursorPos(&cursor)) return;
  SetWindowPos(hwnd_, nullptr, dragStartRect_.left + (cursor.x - dragStartCursor_.x),
               dragStartRect_.top + (cursor.y - dragStartCursor_.y), 0, 0, kMoveOnly);
}

void WebViewWindow::EndDrag() {
  if (kind_ != WindowKind::Pet || hwnd_ == nullptr) return;
  if (IsPresenting()) {
    dragging_ = false;
    return;
  }
  if (!dragging_) return;
  DragMove();
  dragging_ = false;
  ClampToMonitor();
  owner_.SavePetPosition(hwnd_);
}

void WebViewWindow::SetPetMenuLayout(bool open, PetLayout layout) {
  if (kind_ != WindowKind::Pet || hwnd_ == nullptr) return;
  if (!open) {
    if (!petMenuOpen_) return;
    petMenuOpen_ = false;
    PlaceWindow(menuRestRect_, false);
    PostClosedMenuLayout();
    return;
  }
  if (IsPresenting() || dragging_) {
    PostClosedMenuLayout();
    return;
  }
  if (!petMenuOpen_ && !ReadWindowRect(hwnd_, menuRestRect_)) return;
  PixelRect area{};
  if (!WorkAreaNear(menuRestRect_, area)) return;
  menuDpi_ = WindowDpi(hwnd_);
  menuSingleLayout_ = layout == PetLayout::kSingle;
  const PetMenuPlacement placement =
      ComputePetMenuLayout(menuRestRect_, area, menuDpi_, menuSingleLayout_);
  petMenuOpen_ = true;
  PlaceWindow(placement.window, false);
  const nlohmann::json payload{{"open", true},
                     {"placement", PlacementText(placement)},
                     {"anchorX", placement.anchorX},
                     {"anchorY", placement.anchorY}};
  PostJson(nlohmann::json{{"type", "pet.menu.layout"}, {"payload", payload}}.dump());
}

void WebViewWindow::OnDpiChanged(WPARAM wParam, const RECT& suggested) {
  if (kind_ == WindowKind::Dashboard) {
    SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, kMoveAndSize);
    return;
  }
  PixelRect place{suggested.left, suggested.top, suggested.right, suggested.bottom};
  bool fromMenu = false;
  if (!IsPresenting()) {
    const int newDpi = EffectiveDpi(HIWORD(wParam));
    PixelRect area{};
    if (petMenuOpen_ && WorkAreaNear(menuRestRect_, area)) {
      place = ComputePetRectForDpi(menuRestRect_, area, menuDpi_, newDpi, menuSingleLayout_);
      fromMenu = true;
    }
    petMenuOpen_ = false;
    PostClosedMenuLayout();
    place.right = place.left + ScaleRounded(kPetLogicalWidth, newDpi, kDefaultDpi);
    place.bottom = place.top + ScaleRounded(kPetLogicalHeight, newDpi, kDefaultDpi);
  }
  PlaceWindow(place, false);
  if (!dragging_ && !fromMenu) ClampToMonitor();
}

void WebViewWindow::OnDisplayChange() {
  SetPetMenuLayout(false, PetLayout::kSingle);
  ClampToMonitor();
  // The enlarged presentation is no place to remember; the rest place is kept.
  if (!IsPresenting()) owner_.SavePetPosition(hwnd_);
}

void WebViewWindow::StartPresentation(std::string_view priority, HWND dashboard) {
  if (kind_ != WindowKind::Pet || hwnd_ == nullptr) return;
  dragging_ = false;
  SetPetMenuLayout(false, PetLayout::kSingle);
  PixelRect current{};
  if (!ReadWindowRect(hwnd_, current)) return;
  if (!IsPresenting()) presentationRestRect_ = current;
  presentationLevel_ = std::string(priority);
  const bool onDashboard = dashboard != nullptr && IsWindowVisible(dashboard) && !IsIconic(dashboard);
  const HMONITOR monitor = MonitorFromWindow(onDashboard ? dashboard : hwnd_, MONITOR_DEFAULTTONEAREST);
  PixelRect area{};
  if (!WorkAreaOf(monitor, area)) return;
  presentationTargetRect_ = ComputePresentationTarget(presentationLevel_, area, GetMonitorDpi(monitor));
  animationStartRect_ = current;
  phase_ = PresentationPhase::Entering;
  presentationStartTick_ = owner_.Shell().TickCount();
  SetTimer(hwnd_, kPresentationTimerId, kAnimationFrameMs, nullptr);
  Show();
}

void WebViewWindow::EndPresentation(bool postEnded) {
  if (kind_ != WindowKind::Pet || hwnd_ == nullptr || !IsPresenting()) return;
  PixelRect current{};
  if (!ReadWindowRect(hwnd_, current)) return;
  animationStartRect_ = current;
  presentationTargetRect_ = presentationRestRect_;
  phase_ = PresentationPhase::Leaving;
  presentationStartTick_ = owner_.Shell().TickCount();
  SetTimer(hwnd_, kPresentationTimerId, kAnimationFrameMs, nullptr);
  if (postEnded) PostJson(kPresentationEndedMessage);
}

void WebViewWindow::CancelPresentation() {
  if (phase_ == PresentationPhase::Entering || phase_ == PresentationPhase::Holding) {
    EndPresentation(false);
  }
}

void WebViewWindow::OnPresentationTimer() {
  if (hwnd_ == nullptr || !IsPresenting()) {
    if (hwnd_ != nullptr) KillTimer(hwnd_, kPresentationTimerId);
    return;
  }
  const uint64_t now = owner_.Shell().TickCount();
  const uint64_t elapsed = now - presentationStartTick_;
  if (phase_ == PresentationPhase::Holding) {
    if (elapsed >= kPresentationHoldMs) EndPresentation(true);
    return;
  }
  const PresentationFrame frame = ComputePresentationFrame(phase_, presentationLevel_,
                                                           animationStartRect_,
                                                           presentationTargetRect_, elapsed);
  PlaceWindow(frame.window, true);
  if (!frame.finished) return;
  if (phase_ == PresentationPhase::Entering) {
    phase_ = PresentationPhase::Holding;
    presentationStartTick_ = now;
    SetTimer(hwnd_, kPresentationTimerId, kHoldingCheckMs, nullptr);
  } else {
    phase_ = PresentationPhase::None;
    KillTimer(hwnd_, kPresentationTimerId);
    owner_.OnPresentationFinished();
  }
}

}  // namespace nubo
