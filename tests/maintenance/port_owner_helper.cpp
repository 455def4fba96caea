// A process for the termination tests to end: it only waits, and leaves by
// itself after a minute should a test fail to end it. A window-subsystem
// program, so that no console host is started with it that could outlive it
// holding the test's output open.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  Sleep(60 * 1000);
  return 0;
}
