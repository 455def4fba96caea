#include "app/startup_failure.h"

#include <string>

#include "app/app_texts.h"
#include "store/text_convert.h"
#include "store/utf8.h"
#include "windows/window_constants.h"

namespace nubo {
namespace {

// Show what can be shown: invalid sequences become replacement characters.
std::wstring LenientUtf16(const char* text) { return Utf8ToUtf16(RepairUtf8(text)); }

}  // namespace

void ShowStartupFailure(DesktopShell& shell, const char* text) {
  MSG message{};
  while (PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
  shell.ShowMessageBox(nullptr, app_texts::kStartupFailedPrefix + LenientUtf16(text), kAppCaption,
                       MB_OK | MB_ICONERROR);
}

}  // namespace nubo
