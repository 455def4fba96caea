#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <thread>

namespace nubo::testing {

// Drives a modal dialog that the calling thread is about to show: a helper
// thread waits for a visible dialog of that thread with the given title and
// then runs `act` on it, the way a user would click through it.
class DialogDriver {
 public:
  DialogDriver(std::wstring title, std::function<void(HWND dialog)> act);
  ~DialogDriver();
  DialogDriver(const DialogDriver&) = delete;
  DialogDriver& operator=(const DialogDriver&) = delete;

  // Waits for the helper; true when it found the dialog.
  bool Finish();

 private:
  std::thread helper_;
  bool found_ = false;
};

// A visible dialog box of the thread whose title is `title` (any title when
// empty) other than `except`; null when none shows up within the time-out.
HWND WaitForDialog(DWORD threadId, const std::wstring& title, HWND except, DWORD timeoutMs);

// The file-name field of an open or save dialog and its current text.
HWND FileNameField(HWND dialog);
std::wstring WindowText(HWND window);

// Replaces the file name by typing it character by character.
void TypeFileName(HWND dialog, const std::wstring& name);

// Presses a button (IDOK, IDCANCEL) of the dialog.
void PressButton(HWND dialog, int id);

// True when the window is gone within the time-out.
bool WaitUntilClosed(HWND window, DWORD timeoutMs);

}  // namespace nubo::testing
