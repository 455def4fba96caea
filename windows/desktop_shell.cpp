#include "windows/desktop_shell.h"

#include <objbase.h>
#include <sapi.h>

#include "store/com_ptr.h"

namespace nubo {
namespace {

// SAPI voice class and interface, given here so no SDK import library is needed.
constexpr CLSID kSpVoiceClass = {0x96749377, 0x3391, 0x11D2, {0x9E, 0xE3, 0x00, 0xC0, 0x4F, 0x79, 0x73, 0x96}};
constexpr IID kSpVoiceInterface = {0x6C44DF74, 0x72B9, 0x4992, {0xA1, 0xEC, 0xEF, 0x99, 0x6E, 0x04, 0x22, 0xD4}};
constexpr DWORD kSpeakAsyncPurge = 3;  // SPF_ASYNC | SPF_PURGEBEFORESPEAK

class SystemDesktopShell final : public DesktopShell {
 public:
  int ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption,
                     UINT type) override {
    return MessageBoxW(owner, text.c_str(), caption.c_str(), type);
  }

  void Beep(UINT type) override { MessageBeep(type); }

  bool Speak(const std::wstring& text) override {
    if (!voice_) {
      if (FAILED(CoCreateInstance(kSpVoiceClass, nullptr, CLSCTX_INPROC_SERVER, kSpVoiceInterface,
                                  voice_.out_void()))) {
        voice_.reset();
        return false;
      }
    }
    voice_->Speak(text.c_str(), kSpeakAsyncPurge, nullptr);
    return true;
  }

  void ReleaseSpeech() override { voice_.reset(); }

  bool NotifyIcon(DWORD message, NOTIFYICONDATAW& data) override {
    return Shell_NotifyIconW(message, &data) != FALSE;
  }

  bool OpenUrl(HWND owner, const std::wstring& url) override {
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_FLAG_NO_UI;
    info.hwnd = owner;
    info.lpVerb = L"open";
    info.lpFile = url.c_str();
    info.nShow = SW_SHOWNORMAL;
    return ShellExecuteExW(&info) != FALSE;
  }

  uint64_t TickCount() override { return GetTickCount64(); }

 private:
  ComPtr<ISpVoice> voice_;
};

}  // namespace

std::unique_ptr<DesktopShell> CreateSystemDesktopShell() {
  return std::make_unique<SystemDesktopShell>();
}

}  // namespace nubo
