#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "windows/desktop_shell.h"
#include "tests/support/event_log.h"

namespace nubo::testing {

// Desktop services that record what they were asked to do.
class RecordingShell : public DesktopShell {
 public:
  explicit RecordingShell(EventLog* log = nullptr) : log_(log) {}

  int ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption,
                     UINT type) override;
  void Beep(UINT type) override;
  bool Speak(const std::wstring& text) override;
  void ReleaseSpeech() override { ++speechReleases; }
  bool NotifyIcon(DWORD message, NOTIFYICONDATAW& data) override;
  bool OpenUrl(HWND owner, const std::wstring& url) override;
  uint64_t TickCount() override;

  struct Box {
    HWND owner;
    std::wstring text;
    std::wstring caption;
    UINT type;
  };
  std::vector<Box> boxes;
  std::vector<UINT> beeps;
  std::vector<std::wstring> spoken;
  std::vector<std::pair<DWORD, NOTIFYICONDATAW>> notifications;
  std::vector<std::wstring> openedUrls;
  int speechReleases = 0;

  bool voiceAvailable = true;
  bool notifySucceeds = true;
  bool openUrlSucceeds = true;
  // A fixed clock when set; the real tick count otherwise.
  bool useFakeTicks = false;
  uint64_t ticks = 0;

 private:
  EventLog* log_;
};

}  // namespace nubo::testing
