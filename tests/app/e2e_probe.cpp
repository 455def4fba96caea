// Looks at and acts on the program's windows from outside, for the
// end-to-end script: message boxes, the pet and the workbench.
//   e2e_probe dismiss-box SECONDS   prints the text of the next message box and presses OK
//   e2e_probe no-box SECONDS        fails when a message box appears within the time
//   e2e_probe visible pet|dashboard SECONDS  waits until the window is visible
//   e2e_probe hidden pet|dashboard SECONDS   waits until the window exists and is hidden
//   e2e_probe close pet|dashboard    posts WM_CLOSE to the window
// Every run first writes "e2e_probe", to tell a run from a start that never ran.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

constexpr wchar_t kClass[] = L"NuboDesktopPet.WebViewWindow";

struct Found {
  HWND window = nullptr;
  bool wantPet = false;
};

BOOL CALLBACK FindKind(HWND window, LPARAM context) {
  auto* found = reinterpret_cast<Found*>(context);
  wchar_t className[64] = {};
  GetClassNameW(window, className, 64);
  if (wcscmp(className, kClass) != 0) return TRUE;
  const bool isPet = (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) != 0;
  if (isPet == found->wantPet) {
    found->window = window;
    return FALSE;
  }
  return TRUE;
}

HWND FindProgramWindow(const char* kind) {
  Found found;
  found.wantPet = std::string(kind) == "pet";
  EnumWindows(&FindKind, reinterpret_cast<LPARAM>(&found));
  return found.window;
}

BOOL CALLBACK FindBox(HWND window, LPARAM context) {
  wchar_t className[16] = {};
  GetClassNameW(window, className, 16);
  if (wcscmp(className, L"#32770") == 0 && IsWindowVisible(window)) {
    *reinterpret_cast<HWND*>(context) = window;
    return FALSE;
  }
  return TRUE;
}

HWND FindMessageBox() {
  HWND box = nullptr;
  EnumWindows(&FindBox, reinterpret_cast<LPARAM>(&box));
  return box;
}

template <typename Pred>
bool WaitFor(double seconds, Pred pred) {
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(seconds * 1000);
  while (GetTickCount64() < deadline) {
    if (pred()) return true;
    Sleep(50);
  }
  return pred();
}

std::string ToUtf8(const std::wstring& text) {
  const int length = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(length > 0 ? length - 1 : 0), '\0');
  if (length > 1) WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), length, nullptr, nullptr);
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  std::fputs("e2e_probe\n", stdout);
  std::fflush(stdout);
  if (argc < 3) return 2;
  const std::string command = argv[1];
  if (command == "dismiss-box" || command == "no-box") {
    HWND box = nullptr;
    const bool appeared = WaitFor(std::atof(argv[2]), [&] { return (box = FindMessageBox()) != nullptr; });
    if (command == "no-box") return appeared ? 1 : 0;
    if (!appeared) return 1;
    wchar_t text[1024] = {};
    GetDlgItemTextW(box, 0xFFFF, text, 1024);
    std::fputs(ToUtf8(text).c_str(), stdout);
    std::fputs("\n", stdout);
    std::fflush(stdout);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    return WaitFor(5, [&] { return !IsWindow(box) || !IsWindowVisible(box); }) ? 0 : 1;
  }
  if (command == "close" && argc >= 3) {
    HWND window = FindProgramWindow(argv[2]);
    return window != nullptr && PostMessageW(window, WM_CLOSE, 0, 0) ? 0 : 1;
  }
  if ((command == "visible" || command == "hidden") && argc >= 4) {
    const bool wantVisible = command == "visible";
    return WaitFor(std::atof(argv[3]), [&] {
             HWND window = FindProgramWindow(argv[2]);
             return window != nullptr && (IsWindowVisible(window) != FALSE) == wantVisible;
           })
               ? 0
               : 1;
  }
  return 2;
}
