#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "maintenance/software/uninstall_command_text.h"

namespace nubo {
namespace {

// The Windows tests hold the full table over real files; these are the
// text rules' own edges.
TEST(UninstallCommandText, TextRulesAndSplitEdges) {
  EXPECT_FALSE(IsAcceptableUninstallText(L""));
  EXPECT_TRUE(IsAcceptableUninstallText(std::wstring(8191, L'x')));
  EXPECT_FALSE(IsAcceptableUninstallText(std::wstring(8192, L'x')));
  EXPECT_FALSE(IsAcceptableUninstallText(std::wstring(L"C:\\u.exe\0", 9)));
  EXPECT_FALSE(IsAcceptableUninstallText(L"C:\\u.exe\r"));

  struct Case {
    std::wstring command;
    bool split;
    std::wstring exe, arguments;
  };
  const std::vector<Case> cases = {
      {L" \t\"C:\\u.exe\"", true, L"C:\\u.exe", L""},
      {L"\"C:\\u.exe\" /S", true, L"C:\\u.exe", L" /S"},
      {L"\"C:\\u.exe\"/S", false, L"", L""},
      {L"\"C:\\u.exe /S", false, L"", L""},
      {L"\"", false, L"", L""},
      {L"\"\"", false, L"", L""},
      {L"  D:\\app.exec\\Run.EXE\t/q", true, L"D:\\app.exec\\Run.EXE", L"\t/q"},
      {L"D:\\a.exe.exe", true, L"D:\\a.exe.exe", L""},
      {L"D:\\a.exex", false, L"", L""},
      {L".exe", true, L".exe", L""},
      {L".ex", false, L"", L""},
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
