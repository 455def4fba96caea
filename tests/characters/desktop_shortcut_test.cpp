#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "characters/desktop_shortcut.h"
#include "store/app_folder.h"
#include "store/file_utils.h"
#include "tests/characters/shortcut_files.h"
#include "tests/support/temp_dir.h"

namespace nubo {
namespace {

using namespace nubo::testing;

constexpr wchar_t kCurrent[] = L"星朵助手.lnk";
constexpr wchar_t kOlder1[] = L"朵朵工作台.lnk";
constexpr wchar_t kOlder3[] = L"可爱朵朵桌面宠物.lnk";

// A folder listing as ListFolder gives it.
std::wstring Sorted(std::vector<std::wstring> names) {
  std::sort(names.begin(), names.end());
  std::wstring joined;
  for (const auto& name : names) joined += (joined.empty() ? L"" : L",") + name;
  return joined;
}

// The desktop itself is covered with the application; here the other cases,
// in a folder of the test's own.
class ShortcutUpkeep : public ::testing::Test {
 protected:
  void SetUp() override { WriteWholeFile(otherProgram_, "MZ"); }
  // A shortcut to this program (the running executable).
  void Place(const wchar_t* name) { CreateShortcut(desktop(name), GetExecutablePath()); }
  std::wstring desktop(const wchar_t* name) const { return JoinPath(desktopFolder_, name); }
  void Update() { UpdateShortcutIconInFolder(desktopFolder_, icon_); }
  std::wstring IconOf(const wchar_t* name) { return ShortcutIconLocation(desktop(name)); }
  std::wstring Listing() { return ListFolder(desktopFolder_); }

  ComScope com_;
  TempDir dir_;
  std::wstring desktopFolder_ = [this] {
    const std::wstring folder = dir_.file(L"Desktop");
    EnsureDirectory(folder);
    return folder;
  }();
  std::wstring icon_ = dir_.file(L"assistant-icon-x.ico");
  std::wstring otherProgram_ = dir_.file(L"notepad.exe");
};

TEST_F(ShortcutUpkeep, TheThirdOlderNameIsMovedWhenItIsTheOnlyOne) {
  Place(kOlder3);
  Update();
  EXPECT_EQ(Listing(), kCurrent);
  EXPECT_EQ(IconOf(kCurrent), icon_ + L",0");
}

TEST_F(ShortcutUpkeep, AnExistingCurrentShortcutKeepsTheOlderOnesWhereTheyAre) {
  Place(kCurrent);
  Place(kOlder1);
  Update();
  EXPECT_EQ(Listing(), Sorted({kOlder1, kCurrent}));
  EXPECT_EQ(IconOf(kCurrent), icon_ + L",0");
  EXPECT_NE(IconOf(kOlder1), icon_ + L",0");
}

TEST_F(ShortcutUpkeep, AShortcutThatCannotBeReadIsLeftAlone) {
  WriteWholeFile(desktop(kOlder1), "not a shell link");
  Update();
  EXPECT_EQ(Listing(), kOlder1);
  EXPECT_EQ(ReadWholeFile(desktop(kOlder1)), "not a shell link");
}

TEST_F(ShortcutUpkeep, AnotherProgramsShortcutIsNeverTouchedWhateverItsName) {
  CreateShortcut(desktop(kOlder1), otherProgram_);
  Place(kOlder3);
  const std::string before = ReadWholeFile(desktop(kOlder1));
  Update();
  // The program's own shortcut is the one moved and given the icon.
  EXPECT_EQ(Listing(), Sorted({kOlder1, kCurrent}));
  EXPECT_EQ(ReadWholeFile(desktop(kOlder1)), before);
  EXPECT_EQ(IconOf(kCurrent), icon_ + L",0");
}

}  // namespace
}  // namespace nubo
