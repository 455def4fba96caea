// The custom application icon: one icon file shown by both windows, the tray
// icon and the desktop shortcut.
#include <utility>

#include "app/application.h"
#include "characters/desktop_shortcut.h"

namespace nubo {
namespace {

// Not a shared load: the application destroys these icons itself.
IconHandle LoadIconFile(const std::wstring& path, int widthMetric, int heightMetric) {
  return IconHandle(static_cast<HICON>(LoadImageW(nullptr, path.c_str(), IMAGE_ICON,
                                                  GetSystemMetrics(widthMetric),
                                                  GetSystemMetrics(heightMetric), LR_LOADFROMFILE)));
}

}  // namespace

void Application::ApplyAssistantIcon(const std::wstring& iconPath) {
  IconHandle large = LoadIconFile(iconPath, SM_CXICON, SM_CYICON);
  IconHandle small = LoadIconFile(iconPath, SM_CXSMICON, SM_CYSMICON);
  if (!large || !small) return;

  // Released when this returns, the small one first, once nothing shows them.
  const IconHandle previousLarge = std::exchange(customLargeIcon_, std::move(large));
  const IconHandle previousSmall = std::exchange(customSmallIcon_, std::move(small));
  customIconFile_ = iconPath;

  if (petWindow_) petWindow_->SetIcons(customLargeIcon_.get(), customSmallIcon_.get());
  if (dashboardWindow_) dashboardWindow_->SetIcons(customLargeIcon_.get(), customSmallIcon_.get());
  if (trayIconAdded_) {
    trayData_.uFlags = NIF_ICON;
    trayData_.hIcon = customSmallIcon_.get();
    shell_->NotifyIcon(NIM_MODIFY, trayData_);
  }
  UpdateDesktopShortcutIcon(iconPath);
}

}  // namespace nubo
