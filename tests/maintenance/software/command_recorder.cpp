// A stand-in uninstaller: writes the command line it was started with, in
// UTF-8, to command.txt beside itself (through a temporary name, so that a
// reader never sees half of it) and leaves. A window-subsystem program, so
// that no console host outlives it.
#include <windows.h>

#include <string>

#include "store/win_handles.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  wchar_t self[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return 1;
  std::wstring folder(self, length);
  folder.resize(folder.find_last_of(L"\\/") + 1);
  const std::wstring partial = folder + L"command.partial";
  const std::wstring done = folder + L"command.txt";

  const wchar_t* commandLine = GetCommandLineW();
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, commandLine, -1, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return 1;
  std::string text(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, commandLine, -1, text.data(), bytes, nullptr, nullptr);
  text.pop_back();

  {
    nubo::FileHandle file(
        CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return 1;
    DWORD written = 0;
    if (!WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
        written != text.size()) {
      return 1;
    }
  }
  return MoveFileExW(partial.c_str(), done.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
