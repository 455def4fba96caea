// The notification-area icon with its menu, the one-second tick and the
// announcement of due reminders.
#include <string>

#include "app/app_texts.h"
#include "app/fixed_text.h"
#include "app/application.h"
#include "app/tray_menu.h"
#include "store/file_utils.h"
#include "store/text_convert.h"
#include "ui_bridge/messages.h"
#include "ui_bridge/state_payload.h"
#include "windows/window_constants.h"

namespace nubo {
namespace {

constexpr UINT kTrayIconId = 1;
constexpr DWORD kBalloonFlags = 0x91;  // NIIF_INFO | NIIF_NOSOUND | NIIF_RESPECT_QUIET_TIME

HICON LoadAppIcon(HINSTANCE instance, int width, int height) {
  auto icon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(kAppIconResource),
                                            IMAGE_ICON, width, height, LR_SHARED));
  return icon != nullptr ? icon : LoadIconW(nullptr, IDI_APPLICATION);
}

}  // namespace

void Application::AddTrayIcon() {
  trayData_ = NOTIFYICONDATAW{};
  trayData_.cbSize = sizeof(NOTIFYICONDATAW);
  trayData_.hWnd = petWindow_ ? petWindow_->Handle() : nullptr;
  trayData_.uID = kTrayIconId;
  trayData_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  trayData_.uCallbackMessage = kTrayCallbackMessage;
  trayData_.hIcon = LoadAppIcon(instance_, GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON));
  CopyCut(trayData_.szTip, kAppCaption);
  if (!shell_->NotifyIcon(NIM_ADD, trayData_)) return;
  trayIconAdded_ = true;
  trayData_.uVersion = NOTIFYICON_VERSION_4;
  shell_->NotifyIcon(NIM_SETVERSION, trayData_);
}

void Application::OnTrayMessage(LPARAM lParam) {
  switch (LOWORD(lParam)) {
    case WM_CONTEXTMENU:
    case WM_RBUTTONUP:
      ShowTrayMenu();
      break;
    case WM_LBUTTONDBLCLK:
    case NIN_BALLOONUSERCLICK:
      ShowDashboard();
      break;
    default:
      break;
  }
}

void Application::ShowTrayMenu() {
  if (!petWindow_ || petWindow_->Handle() == nullptr) return;
  POINT cursor{};
  GetCursorPos(&cursor);
  const auto items = BuildTrayMenu(Utf8ToUtf16(petName_), IsDashboardShown(), IsPetWindowVisible());
  HMENU menu = CreatePopupMenu();
  if (menu == nullptr) return;
  for (const TrayMenuItem& item : items) {
    if (item.id == 0) {
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    } else {
      AppendMenuW(menu, MF_STRING | (item.greyed ? MF_GRAYED : 0), item.id, item.text.c_str());
    }
  }
  HWND owner = petWindow_->Handle();
  SetForegroundWindow(owner);
  const UINT chosen = static_cast<UINT>(TrackPopupMenu(
      menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, owner, nullptr));
  DestroyMenu(menu);
  switch (chosen) {
    case kTrayMenuOpen:
      ShowDashboard();
      break;
    case kTrayMenuPet:
      SetPetHidden(IsPetWindowVisible());
      break;
    case kTrayMenuQuit:
      Quit();
      break;
    default:
      break;
  }
}

void Application::OnTick() {
  try {
    DeliverSoftwareScanResult();
    const std::vector<Reminder> due = store_.TakeDueReminders(NowMilliseconds());
    const bool dashboardShown = IsDashboardShown();
    for (const Reminder& reminder : due) {
      presentationSuppressed_ = false;
      if (petWindow_) {
        petWindow_->StartPresentation(reminder.priority,
                                      dashboardShown ? dashboardWindow_->Handle() : nullptr);
      }
      presentedReminderId_ = reminder.id;
      hasPresentedReminder_ = true;
      PlayReminderAlert(reminder);
      ShowReminderBalloon(reminder);
      PostToBoth(SerializeMessage(MakeMessage("reminder.triggered", ReminderToJson(reminder))));
    }
    if (!due.empty()) SendStateSync(nullptr);
    UpdatePetVisibility();
  } catch (const std::exception& error) {
    Broadcast(MakeMessage("app.error", Json{{"message", error.what()}}));
  }
}

void Application::PlayReminderAlert(const Reminder& reminder) {
  if (soundEnabled_) {
    shell_->Beep(reminder.priority == "urgent" ? MB_ICONEXCLAMATION : MB_ICONASTERISK);
  }
  if (speechEnabled_) {
    shell_->Speak(Utf8ToUtf16(petName_) + app_texts::kSpeechJoin + Utf8ToUtf16(reminder.title));
  }
}

void Application::ShowReminderBalloon(const Reminder& reminder) {
  if (!trayIconAdded_) return;
  trayData_.uFlags = NIF_INFO;
  trayData_.dwInfoFlags = kBalloonFlags;
  const std::wstring title = Utf8ToUtf16(petName_) + app_texts::kBalloonTitleSuffix;
  CopyCut(trayData_.szInfoTitle, title);
  const std::wstring text = Utf8ToUtf16(reminder.title);
  CopyCut(trayData_.szInfo, text);
  shell_->NotifyIcon(NIM_MODIFY, trayData_);
}

}  // namespace nubo
