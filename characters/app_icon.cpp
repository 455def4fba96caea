// The custom application icon: one icon file shown by both windows, the tray
// icon and the desktop shortcut.
#include <memory>
#include <type_traits>

#include "app/application.h"
#include "characters/desktop_shortcut.h"

namespace nubo {
namespace {

struct IconDeleter {
  void operator()(HICON icon) const { DestroyIcon(icon); }
};
using OwnedIcon = std::unique_ptr<std::remove_pointer_t<HICON>, IconDeleter>;

// Not a shared load: the application destroys these icons itself.
OwnedIcon LoadIconFile(const std::wstring& path, int widthMetric, int heightMetric) {
  return OwnedIcon(static_cast<HICON>(LoadImageW(nullptr, path.c_str(), IMAGE_ICON,
                                                 GetSystemMetrics(widthMetric),
                                                 GetSystemMetrics(heightMetric), LR_LOADFROMFILE)));
}

}  // namespace

void Application::ApplyAssistantIcon(const std::wstring& iconPath) {
  OwnedIcon large = LoadIconFile(iconPath, SM_CXICON, SM_CYICON);
  OwnedIcon small = LoadIconFile(iconPath, SM_CXSMICON, SM_CYSMICON);
  if (!large || !small) return;

  // Released when this returns, the small one first, once nothing shows them.
  const OwnedIcon previousLarge(customLargeIcon_);
  const OwnedIcon previousSmall(customSmallIcon_ != customLargeIcon_ ? customSmallIcon_ : nullptr);
  customLargeIcon_ = large.release();
  customSmallIcon_ = small.release();
  customIconFile_ = iconPath;

  if (petWindow_) petWindow_->SetIcons(customLargeIcon_, customSmallIcon_);
  if (dashboardWindow_) dashboardWindow_->SetIcons(customLargeIcon_, customSmallIcon_);
  if (trayIconAdded_) {
    trayData_.uFlags = NIF_ICON;
    trayData_.hIcon = customSmallIcon_;
    shell_->NotifyIcon(NIM_MODIFY, trayData_);
  }
  UpdateDesktopShortcutIcon(iconPath);
}

}  // namespace nubo
