#include <gtest/gtest.h>

#include <windows.h>

#include <functional>

#include "store/file_utils.h"
#include "store/text_convert.h"
#include "tests/characters/picture_bytes.h"
#include "tests/characters/wardrobe_world.h"

namespace nubo {
namespace {

using namespace nubo::testing;

// A wardrobe with two characters, the second active, then a request that
// fails part-way: everything must be as it was, with no temporary file left.
class WardrobeRollback : public ::testing::Test {
 protected:
  void SetUp() override {
    world_.Start();
    first_ = world_.Upload("first", PngDataUrl(png_));
    second_ = world_.Upload("second", PngDataUrl(png_), "sheet");
    settings_ = world_.AllSettings();
    state_ = world_.State();
    listing_ = world_.Listing();
    world_.ClearPosts();
  }
  void TearDown() override { world_.AllowAllWrites(); }

  void ExpectUnchanged() {
    world_.AllowAllWrites();
    EXPECT_EQ(world_.AllSettings(), settings_);
    EXPECT_EQ(world_.State(), state_);
    EXPECT_EQ(world_.Listing(), listing_);
  }
  void ExpectOnlyError(const std::string& message) {
    EXPECT_EQ(world_.PetPosts(), std::vector<std::string>{AppErrorText(message)});
    EXPECT_TRUE(world_.DashboardPosts().empty());
  }
  // The folder is replaced by a file while the request runs, so nothing can
  // be created in it.
  void WithCharactersFolderTakenByAFile(const std::function<void()>& request) {
    const std::wstring folder = world_.CharactersFolder();
    const std::wstring away = folder + L".away";
    ASSERT_TRUE(MoveFileW(folder.c_str(), away.c_str()));
    WriteWholeFile(folder, "");
    request();
    ASSERT_TRUE(DeleteFileW(folder.c_str()));
    ASSERT_TRUE(MoveFileW(away.c_str(), folder.c_str()));
  }
  void UploadThird() {
    world_.FromPet("character.upload", Json{{"name", "third"}, {"dataUrl", PngDataUrl(png_)}});
  }

  WardrobeWorld world_;
  const std::string png_ = MakePng(16, 16);
  std::string first_;
  std::string second_;
  std::map<std::string, std::string> settings_;
  Json state_;
  std::wstring listing_;
};

TEST_F(WardrobeRollback, UploadIntoACharactersFolderThatCannotTakeFiles) {
  WithCharactersFolderTakenByAFile([&] { UploadThird(); });
  ExpectOnlyError("Unable to create the output file.");
  ExpectUnchanged();
}

TEST_F(WardrobeRollback, UploadWhenTheListCannotBeStored) {
  world_.FailWritesOf("characters.list");
  UploadThird();
  ExpectOnlyError("injected failure");
  ExpectUnchanged();
}

TEST_F(WardrobeRollback, UploadWhenTheActiveIdCannotBeStoredPutsTheStoredListBack) {
  world_.FailWritesOf("characters.active");
  UploadThird();
  ExpectOnlyError("injected failure");
  ExpectUnchanged();
}

TEST_F(WardrobeRollback, UploadWhenTheStatePushFailsPutsTheStoredListBack) {
  world_.ExecuteSql("ALTER TABLE reminders RENAME TO reminders_away;");
  UploadThird();
  world_.ExecuteSql("ALTER TABLE reminders_away RENAME TO reminders;");
  ExpectOnlyError("no such table: reminders");
  ExpectUnchanged();
}

TEST_F(WardrobeRollback, ActivateWhenStoringFailsKeepsThePreviousCharacter) {
  world_.FailWritesOf("characters.active");
  world_.FromPet("character.activate", Json{{"id", first_}});
  ExpectOnlyError("injected failure");
  ExpectUnchanged();
  EXPECT_EQ(world_.State()["activeCharacterId"], second_);
}

TEST_F(WardrobeRollback, DeleteWhenStoringFailsPutsTheRecordBackInItsPlace) {
  world_.FailWritesOf("characters.list");
  world_.FromPet("character.delete", Json{{"id", first_}});
  ExpectOnlyError("injected failure");
  ExpectUnchanged();
  EXPECT_EQ(world_.CustomIds(), (std::vector<std::string>{first_, second_}));

  world_.FailWritesOf("characters.active");
  world_.FromPet("character.delete", Json{{"id", second_}});
  ExpectUnchanged();
  EXPECT_EQ(world_.State()["activeCharacterId"], second_);
}

TEST_F(WardrobeRollback, IconUpdateWhenTheTemporaryFileCannotBeCreated) {
  WithCharactersFolderTakenByAFile([&] { world_.UpdateIcon(second_, PngDataUrl(png_)); });
  ExpectOnlyError("无法生成当前角色的小助手图标。");
  ExpectUnchanged();
  EXPECT_EQ(world_.app().CustomLargeIcon(), nullptr);
  EXPECT_TRUE(world_.app().CustomIconFile().empty());
}

TEST_F(WardrobeRollback, IconUpdateWhenTheMoveFailsLeavesNoTemporaryFile) {
  world_.UpdateIcon(second_, PngDataUrl(png_));
  const HICON large = world_.app().CustomLargeIcon();
  ASSERT_NE(large, nullptr);
  // The icon's own name is taken by a folder: the finished file cannot be moved there.
  const std::wstring icon = world_.CharacterFile("assistant-icon-" + second_ + ".ico");
  ASSERT_TRUE(DeleteFileW(icon.c_str()));
  ASSERT_TRUE(CreateDirectoryW(icon.c_str(), nullptr));
  listing_ = world_.Listing();
  world_.ClearPosts();

  world_.UpdateIcon(second_, PngDataUrl(MakePng(24, 24)));
  ExpectOnlyError("Unable to move the completed file.");
  ExpectUnchanged();
  EXPECT_EQ(world_.app().CustomLargeIcon(), large);
}

}  // namespace
}  // namespace nubo
