// Entry of every Windows test program.
//
// Each test process works on a desktop of its own, so that the windows of
// tests running in parallel never activate each other: activation sends
// messages to the window losing it, and a test busy elsewhere would hold the
// sender up. After the tests the process ends at once: nothing after them
// needs to run, and the ordinary exit path has been seen to hang under Wine.
#include <windows.h>

#include <cstdio>
#include <cwchar>

#include <gmock/gmock.h>

int main(int argc, char** argv) {
  // Processes started behind the test's back (by the system, for a desktop or
  // a shortcut) must not hold the test's output open after it has ended.
  for (DWORD stream : {STD_OUTPUT_HANDLE, STD_ERROR_HANDLE, STD_INPUT_HANDLE}) {
    SetHandleInformation(GetStdHandle(stream), HANDLE_FLAG_INHERIT, 0);
  }
  wchar_t desktopName[64] = {};
  swprintf(desktopName, 64, L"nubo-test-%lu", GetCurrentProcessId());
  if (HDESK desktop = CreateDesktopW(desktopName, nullptr, nullptr, 0, GENERIC_ALL, nullptr)) {
    SetThreadDesktop(desktop);
  }
  ::testing::InitGoogleMock(&argc, argv);
  const int result = RUN_ALL_TESTS();
  std::fflush(stdout);
  std::fflush(stderr);
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(result));
  return result;
}
