#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "maintenance/software/uninstall_command_text.h"

namespace nubo {
namespace {

TEST(UninstallCommandText, LengthNulAndLineBreaks) {
  struct Case {
    std::wstring command;
    bool accepted;
  };
  const std::vector<Case> cases = {
      {L"", false},
      {L"x", true},
      {std::wstring(8191, L'x'), true},
      {std::wstring(8192, L'x'), false},
      {std::wstring(L"C:\\u.exe\0 /S", 12), false},
      {L"C:\\u.exe /S\r", false},
      {L"C:\\u.exe\n/S", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsAcceptableUninstallText(c.command), c.accepted) << c.command.size();
}

TEST(UninstallCommandText, SplitsQuotedAndUnquotedForms) {
  struct Case {
    std::wstring command;
    bool split;
    std::wstring exe, arguments;
  };
  const std::vector<Case> cases = {
      {L"\"C:\\Program Files\\App\\uninst.exe\" /S", true, L"C:\\Program Files\\App\\uninst.exe", L" /S"},
      {L" \t\"C:\\u.exe\"", true, L"C:\\u.exe", L""},
      {L"\"C:\\u.exe\"/S", false, L"", L""},
      {L"\"C:\\u.exe /S", false, L"", L""},
      {L"\"", false, L"", L""},
      {L"\"C:\\u.bat\" /S", false, L"", L""},
      {L"\"C:\\App\"", false, L"", L""},
      {L"\"\"", false, L"", L""},
      {L"C:\\Program Files\\App\\uninst.exe /S", true, L"C:\\Program Files\\App\\uninst.exe", L" /S"},
      {L"  D:\\app.exec\\Run.EXE\t/q", true, L"D:\\app.exec\\Run.EXE", L"\t/q"},
      {L"D:\\a.exe.exe", true, L"D:\\a.exe.exe", L""},
      {L"D:\\a.exex", false, L"", L""},
      {L".exe", true, L".exe", L""},
      {L".ex", false, L"", L""},
      {L"   ", false, L"", L""},
      {L"C:\\u.bat /S", false, L"", L""},
      {L"MsiExec.exe /X{00000000-0000-0000-0000-000000000001}", true, L"MsiExec.exe",
       L" /X{00000000-0000-0000-0000-000000000001}"},
  };
  for (const Case& c : cases) {
    std::wstring exe = L"untouched";
    std::wstring arguments = L"untouched";
    EXPECT_EQ(SplitUninstallCommand(c.command, exe, arguments), c.split) << c.command;
    EXPECT_EQ(exe, c.split ? c.exe : L"untouched") << c.command;
    EXPECT_EQ(arguments, c.split ? c.arguments : L"untouched") << c.command;
  }
  // Blanks up to the end of a view that is not the end of its text.
  std::wstring exe, arguments;
  EXPECT_FALSE(SplitUninstallCommand(std::wstring_view(L"    ").substr(0, 3), exe, arguments));
}

}  // namespace
}  // namespace nubo
