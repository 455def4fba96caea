#include "tests/datatools/dialogs/dialog_driver.h"

#include <dlgs.h>

#include <vector>

namespace nubo::testing {
namespace {

struct Search {
  std::wstring title;
  HWND except = nullptr;
  HWND found = nullptr;
};

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

BOOL CALLBACK MatchDialog(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<Search*>(context);
  if (window != search->except && IsWindowVisible(window) && ClassOf(window) == L"#32770" &&
      (search->title.empty() || WindowText(window) == search->title)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK MatchEdit(HWND window, LPARAM context) {
  if (ClassOf(window) == L"Edit") {
    *reinterpret_cast<HWND*>(context) = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

DialogDriver::DialogDriver(std::wstring title, std::function<void(HWND dialog)> act) {
  const DWORD owner = GetCurrentThreadId();
  helper_ = std::thread([this, owner, title = std::move(title), act = std::move(act)] {
    const HWND dialog = WaitForDialog(owner, title, nullptr, 30000);
    if (dialog != nullptr) {
      found_ = true;
      act(dialog);
      if (WaitUntilClosed(dialog, 10000)) return;
    }
    // Never leave the test blocked in a dialog it did not expect: close
    // whatever the thread still shows, so the test fails instead of hanging.
    for (int attempt = 0; attempt < 10; ++attempt) {
      const HWND open = WaitForDialog(owner, L"", nullptr, 1000);
      if (open == nullptr) return;
      PressButton(open, IDCANCEL);
      WaitUntilClosed(open, 2000);
    }
  });
}

DialogDriver::~DialogDriver() {
  if (helper_.joinable()) helper_.join();
}

bool DialogDriver::Finish() {
  if (helper_.joinable()) helper_.join();
  return found_;
}

HWND WaitForDialog(DWORD threadId, const std::wstring& title, HWND except, DWORD timeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  do {
    Search search{title, except, nullptr};
    EnumThreadWindows(threadId, MatchDialog, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) return search.found;
    Sleep(50);
  } while (GetTickCount64() < deadline);
  return nullptr;
}

std::wstring WindowText(HWND window) {
  const int length = static_cast<int>(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0));
  std::vector<wchar_t> text(static_cast<size_t>(length) + 1, L'\0');
  SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  return text.data();
}

HWND FileNameField(HWND dialog) {
  if (HWND combo = GetDlgItem(dialog, cmb13); combo != nullptr) {
    HWND edit = nullptr;
    EnumChildWindows(combo, MatchEdit, reinterpret_cast<LPARAM>(&edit));
    if (edit != nullptr) return edit;
  }
  return GetDlgItem(dialog, edt1);
}

void TypeFileName(HWND dialog, const std::wstring& name) {
  const HWND field = FileNameField(dialog);
  SendMessageW(field, EM_SETSEL, 0, -1);
  SendMessageW(field, WM_CLEAR, 0, 0);
  for (wchar_t c : name) SendMessageW(field, WM_CHAR, c, 0);
}

void PressButton(HWND dialog, int id) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

bool WaitUntilClosed(HWND window, DWORD timeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  while (IsWindow(window) && IsWindowVisible(window)) {
    if (GetTickCount64() >= deadline) return false;
    Sleep(50);
  }
  return true;
}

}  // namespace nubo::testing
