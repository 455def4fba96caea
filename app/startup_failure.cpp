#include "app/startup_failure.h"

#include <string>

#include "app/app_texts.h"
#include "store/text_convert.h"
#include "windows/window_constants.h"

namespace nubo {
namespace {

std::wstring LenientUtf16(const char* text) {
  try {
    return Utf8ToUtf16(text);
  } catch (const std::exception&) {
    // Show what can be shown: invalid sequences become replacement characters.
    const int length = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    if (length <= 1) return {};
    std::wstring lenient(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text, -1, lenient.data(), length);
    lenient.resize(static_cast<size_t>(length - 1));
    return lenient;
  }
}

}  // namespace

void ShowStartupFailure(DesktopShell& shell, const char* text) {
  MSG message{};
  while (PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
  shell.ShowMessageBox(nullptr, app_texts::kStartupFailedPrefix + LenientUtf16(text), kAppCaption,
                       MB_OK | MB_ICONERROR);
}

}  // namespace nubo
