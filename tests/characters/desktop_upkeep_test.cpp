// The program's shortcut on the user's real desktop (of the test prefix). The
// names are fixed, so these tests run alone.
#include <gtest/gtest.h>

#include <windows.h>

#include <shlobj.h>

#include "store/app_folder.h"
#include "store/file_utils.h"
#include "tests/characters/picture_bytes.h"
#include "tests/characters/shortcut_files.h"
#include "tests/characters/wardrobe_world.h"

namespace nubo {
namespace {

using namespace nubo::testing;

constexpr const wchar_t* kNames[] = {L"星朵助手.lnk", L"朵朵工作台.lnk", L"可爱朵朵小助手.lnk",
                                     L"可爱朵朵桌面宠物.lnk"};

std::wstring DesktopFolder() {
  PWSTR path = nullptr;
  EXPECT_TRUE(SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Desktop, 0, nullptr, &path)));
  const std::wstring folder = path != nullptr ? path : L"";
  CoTaskMemFree(path);
  return folder;
}

class DesktopUpkeep : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(desktop_.empty());
    RemoveShortcuts();
    target_ = GetExecutablePath();
    world_.Start();
  }
  void TearDown() override { RemoveShortcuts(); }
  void RemoveShortcuts() {
    for (const wchar_t* name : kNames) DeleteFileW(Shortcut(name).c_str());
  }
  std::wstring Shortcut(const wchar_t* name) const { return JoinPath(desktop_, name); }

  ComScope com_;
  std::wstring desktop_ = DesktopFolder();
  WardrobeWorld world_;
  std::wstring target_;
};

TEST_F(DesktopUpkeep, AnOlderNamedShortcutIsRenamedAndGivenTheNewIcon) {
  CreateShortcut(Shortcut(kNames[1]), target_);
  CreateShortcut(Shortcut(kNames[2]), target_);
  const std::string secondBefore = ReadWholeFile(Shortcut(kNames[2]));
  const std::string id = world_.Upload("a", PngDataUrl(MakePng(32, 32)));
  world_.UpdateIcon(id, PngDataUrl(MakePng(32, 32)));

  const std::wstring icon = world_.CharacterFile("assistant-icon-" + id + ".ico");
  EXPECT_EQ(world_.app().CustomIconFile(), icon);
  EXPECT_FALSE(FileExists(Shortcut(kNames[1])));
  ASSERT_TRUE(FileExists(Shortcut(kNames[0])));
  EXPECT_EQ(ShortcutIconLocation(Shortcut(kNames[0])), icon + L",0");
  EXPECT_EQ(ReadWholeFile(Shortcut(kNames[2])), secondBefore);
}

TEST_F(DesktopUpkeep, NoShortcutIsCreatedWhenNoneExists) {
  const std::wstring before = ListFolder(desktop_);
  world_.UpdateIcon("builtin", PngDataUrl(MakePng(32, 32)));
  ASSERT_NE(world_.app().CustomLargeIcon(), nullptr);
  EXPECT_EQ(ListFolder(desktop_), before);
  for (const wchar_t* name : kNames) EXPECT_FALSE(FileExists(Shortcut(name)));
}

}  // namespace
}  // namespace nubo
