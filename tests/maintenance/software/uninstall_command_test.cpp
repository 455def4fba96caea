#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "maintenance/software/uninstall_command.h"
#include "tests/maintenance/software/software_fixture.h"
#include "tests/support/temp_dir.h"

namespace nubo {
namespace {

using testing::FixturePath;
using testing::TempDir;
using testing::WriteWholeFile;

constexpr wchar_t kProductCode[] = L"/X{5A1B2C3D-0000-4000-8000-00000000AB01}";

std::wstring SystemFolder() {
  wchar_t folder[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  return std::wstring(folder, length);
}

TEST(UninstallCommand, ParsesOnlyOneExistingLocalExecutable) {
  TempDir dir;
  const std::wstring tool = dir.file(L"Example Tool");
  ASSERT_TRUE(CreateDirectoryW(tool.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW(dir.file(L"app.exec").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW(dir.file(L"folder.exe").c_str(), nullptr));
  const std::wstring uninst = tool + L"\\uninst.exe";
  WriteWholeFile(uninst, "MZ");
  WriteWholeFile(dir.file(L"app.exec\\run.exe"), "MZ");
  WriteWholeFile(dir.file(L"remove.bat"), "@echo off\r\n");
  WriteWholeFile(dir.file(L"remove.cmd"), "@echo off\r\n");
  // The fixture's network drive N: shows this file as N:\tool.exe.
  const std::wstring netshareTool = FixturePath(L"netshare\\tool.exe");
  WriteWholeFile(netshareTool, "MZ");
  ASSERT_TRUE(SetEnvironmentVariableW(L"NUBO_UNINSTALL_ROOT", dir.path().c_str()));
  const std::wstring msiexec = SystemFolder() + L"\\msiexec.exe";
  const std::wstring quoted = L"\"" + uninst + L"\"";
  const auto padded = [&](size_t units) { return quoted + L" " + std::wstring(units - quoted.size() - 1, L'x'); };

  struct Case {
    std::wstring command;
    bool parsed;
    std::wstring exe, arguments;
  };
  const std::vector<Case> cases = {
      {quoted + L" /S", true, uninst, L" /S"},
      {L"  " + uninst + L" /S /D=x", true, uninst, L" /S /D=x"},
      {quoted + L"/S", false, L"", L""},
      {dir.file(L"app.exec\\run.exe /q"), true, dir.file(L"app.exec\\run.exe"), L" /q"},
      {L"%NUBO_UNINSTALL_ROOT%\\Example Tool\\uninst.exe", true, uninst, L""},
      {std::wstring(L"MsiExec.exe ") + kProductCode, true, msiexec, std::wstring(L" ") + kProductCode},
      {std::wstring(L"\"C:\\windows\\system32\\msiexec.exe\" ") + kProductCode, true,
       L"C:\\windows\\system32\\msiexec.exe", std::wstring(L" ") + kProductCode},
      {L"uninst.exe /S", false, L"", L""},
      {L"\"" + dir.file(L"remove.bat") + L"\" /S", false, L"", L""},
      {dir.file(L"remove.cmd"), false, L"", L""},
      {dir.file(L"folder.exe") + L" /S", false, L"", L""},
      {dir.file(L"missing.exe"), false, L"", L""},
      {L"N:\\tool.exe", false, L"", L""},
      {FixturePath(L"app\\app.exe"), true, FixturePath(L"app\\app.exe"), L""},
      {FixturePath(L"applink\\app.exe"), false, L"", L""},
      {quoted + L" /S\r\n" + quoted, false, L"", L""},
      {quoted + std::wstring(L"\0 /S", 4), false, L"", L""},
      {padded(8190), true, uninst, padded(8190).substr(quoted.size())},
      {padded(8191), true, uninst, padded(8191).substr(quoted.size())},
      {padded(8192), false, L"", L""},
  };
  for (const Case& c : cases) {
    std::wstring exe = L"untouched";
    std::wstring arguments = L"untouched";
    EXPECT_EQ(ParseUninstallCommand(c.command, exe, arguments), c.parsed) << c.command.substr(0, 120);
    EXPECT_EQ(exe, c.parsed ? c.exe : L"untouched") << c.command.substr(0, 120);
    EXPECT_EQ(arguments, c.parsed ? c.arguments : L"untouched") << c.command.substr(0, 120);
  }
  SetEnvironmentVariableW(L"NUBO_UNINSTALL_ROOT", nullptr);
  DeleteFileW(netshareTool.c_str());
}

}  // namespace
}  // namespace nubo
