#include "app/tray_menu.h"

#include "app/app_texts.h"

namespace nubo {

std::vector<TrayMenuItem> BuildTrayMenu(const std::wstring& petName, bool dashboardShown,
                                        bool petVisible) {
  std::wstring petEntry;
  if (dashboardShown) {
    petEntry = petName + app_texts::kMenuBackAfterClose;
  } else if (petVisible) {
    petEntry = app_texts::kMenuHidePrefix + petName;
  } else {
    petEntry = app_texts::kMenuShowPrefix + petName;
  }
  return {TrayMenuItem{kTrayMenuOpen, app_texts::kMenuOpen, false},
          TrayMenuItem{kTrayMenuPet, petEntry, dashboardShown},
          TrayMenuItem{0, L"", false},
          TrayMenuItem{kTrayMenuQuit, app_texts::kMenuQuit, false}};
}

}  // namespace nubo
