#include "tests/maintenance/spawned_helper.h"

#include <stdexcept>
#include <string>

namespace nubo::testing {
namespace {

std::wstring HelperPath() {
  std::wstring path(MAX_PATH, L'\0');
  const DWORD length = GetModuleFileNameW(nullptr, path.data(), MAX_PATH);
  if (length == 0 || length >= MAX_PATH) throw std::runtime_error("cannot find the test program");
  path.resize(length);
  path.resize(path.find_last_of(L"\\/") + 1);
  return path + L"port_owner_helper.exe";
}

}  // namespace

SpawnedHelper::SpawnedHelper() {
  const std::wstring path = HelperPath();
  std::wstring commandLine = L"\"" + path + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                      nullptr, nullptr, &startup, &started)) {
    throw std::runtime_error("cannot start port_owner_helper.exe: " + std::to_string(GetLastError()));
  }
  CloseHandle(started.hThread);
  process_.reset(started.hProcess);
  pid_ = started.dwProcessId;
}

SpawnedHelper::~SpawnedHelper() {
  if (!HasEnded(0)) {
    TerminateProcess(process_.get(), 0);
    WaitForSingleObject(process_.get(), 5000);
  }
}

bool SpawnedHelper::HasEnded(DWORD waitMilliseconds) const {
  return WaitForSingleObject(process_.get(), waitMilliseconds) == WAIT_OBJECT_0;
}

DWORD SpawnedHelper::ExitCode() const {
  DWORD code = 0;
  if (!GetExitCodeProcess(process_.get(), &code)) return 0xFFFFFFFF;
  return code;
}

}  // namespace nubo::testing
