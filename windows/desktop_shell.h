#pragma once

#include <windows.h>

#include <shellapi.h>

#include <cstdint>
#include <memory>
#include <string>

namespace nubo {

// The few desktop services whose effects a user sees or hears: message boxes,
// beeps, speech, the notification-area icon, opening addresses and the
// millisecond tick. Tests record them instead.
class DesktopShell {
 public:
  virtual ~DesktopShell() = default;
  virtual int ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption,
                             UINT type) = 0;
  virtual void Beep(UINT type) = 0;
  // Speaks asynchronously, cutting off what is still being spoken; false when
  // no voice can be created (tried again next time).
  virtual bool Speak(const std::wstring& text) = 0;
  virtual void ReleaseSpeech() = 0;
  virtual bool NotifyIcon(DWORD message, NOTIFYICONDATAW& data) = 0;
  // Opens an address with the shell's "open" verb; false when the shell fails.
  virtual bool OpenUrl(HWND owner, const std::wstring& url) = 0;
  virtual uint64_t TickCount() = 0;
};

std::unique_ptr<DesktopShell> CreateSystemDesktopShell();

}  // namespace nubo
