#include "tests/support/recording_shell.h"

#include "store/text_convert.h"

namespace nubo::testing {

int RecordingShell::ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption,
                                   UINT type) {
  boxes.push_back(Box{owner, text, caption, type});
  if (log_ != nullptr) log_->Add("box " + Utf16ToUtf8(text));
  return IDOK;
}

void RecordingShell::Beep(UINT type) {
  beeps.push_back(type);
  if (log_ != nullptr) log_->Add("beep " + std::to_string(type));
}

bool RecordingShell::Speak(const std::wstring& text) {
  if (!voiceAvailable) return false;
  spoken.push_back(text);
  if (log_ != nullptr) log_->Add("speak " + Utf16ToUtf8(text));
  return true;
}

bool RecordingShell::NotifyIcon(DWORD message, NOTIFYICONDATAW& data) {
  notifications.emplace_back(message, data);
  if (log_ != nullptr) {
    if (message == NIM_MODIFY && (data.uFlags & NIF_INFO) != 0) {
      log_->Add("balloon " + Utf16ToUtf8(data.szInfo));
    } else {
      log_->Add("notify " + std::to_string(message));
    }
  }
  return notifySucceeds;
}

bool RecordingShell::OpenUrl(HWND, const std::wstring& url) {
  openedUrls.push_back(url);
  return openUrlSucceeds;
}

uint64_t RecordingShell::TickCount() { return useFakeTicks ? ticks : GetTickCount64(); }

}  // namespace nubo::testing
