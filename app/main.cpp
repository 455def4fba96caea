// The process entry: one instance per user session.
#include <windows.h>

#include <objbase.h>

#include <exception>
#include <memory>
#include <string>

#include "app/app_texts.h"
#include "app/application.h"
#include "app/startup_failure.h"
#include "store/win_handles.h"
#include "windows/window_constants.h"

namespace {

using nubo::KernelHandle;

class ComApartment {
 public:
  ComApartment() : ok_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComApartment() {
    if (ok_) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  bool ok() const { return ok_; }

 private:
  bool ok_;
};

void HandOverToRunningInstance() {
  HWND running = FindWindowW(nubo::kWindowClassName, nullptr);
  if (running != nullptr) PostMessageW(running, nubo::kTrayCallbackMessage, 0, WM_LBUTTONDBLCLK);
}

int RunApplication(HINSTANCE instance) {
  std::string failure;
  int exitCode = 1;
  try {
    nubo::Application application(instance);
    try {
      exitCode = application.Run();
    } catch (const std::exception& error) {
      failure = error.what();
    }
  } catch (const std::exception& error) {
    failure = error.what();
  }
  if (failure.empty()) return exitCode;
  nubo::ShowStartupFailure(*nubo::CreateSystemDesktopShell(), failure.c_str());
  return 1;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);

  KernelHandle mutex(CreateMutexW(nullptr, TRUE, nubo::app_texts::kSingleInstanceMutex));
  if (!mutex) return 1;
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    HandOverToRunningInstance();
    return 0;
  }

  int exitCode = 1;
  {
    ComApartment com;
    if (!com.ok()) {
      MessageBoxW(nullptr, nubo::app_texts::kComInitFailed, nubo::kAppCaption, MB_OK | MB_ICONERROR);
      return 1;
    }
    exitCode = RunApplication(instance);
  }
  ReleaseMutex(mutex.get());
  return exitCode;
}
