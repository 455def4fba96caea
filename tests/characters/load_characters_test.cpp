#include <gtest/gtest.h>

#include <windows.h>

#include "store/file_utils.h"
#include "store/win_handles.h"
#include "tests/characters/picture_bytes.h"
#include "tests/characters/wardrobe_world.h"
#include "tests/support/case_name.h"

namespace nubo {
namespace {

using namespace nubo::testing;

Json Record(const std::string& id, const std::string& file, const std::string& layout = "single") {
  return Json{{"id", id}, {"name", "name " + id}, {"fileName", file}, {"layout", layout}};
}

// What the harness puts in the front end as the packaged picture.
constexpr char kPackagedBytes[] = "png";

class LoadCharacters : public ::testing::Test {
 protected:
  explicit LoadCharacters(bool packaged = false)
      : world_([packaged] {
          AppHarness::Options options;
          options.packagedPicture = packaged;
          return options;
        }()) {}
  void StoreRecord(Json& list, const std::string& id, const std::string& bytes = "picture") {
    world_.StorePicture(id + ".png", bytes);
    list.push_back(Record(id, id + ".png"));
  }
  WardrobeWorld world_;
};

TEST_F(LoadCharacters, ThirteenStoredRecordsLoadTheFirstTwelve) {
  Json list = Json::array();
  std::vector<std::string> ids;
  for (int i = 1; i <= 13; ++i) {
    ids.push_back(NumberedName(i));
    StoreRecord(list, ids.back());
  }
  world_.StoreList(list);
  world_.harness.PreStoreSetting("characters.active", "c13");
  world_.Start();
  ids.pop_back();
  EXPECT_EQ(world_.CustomIds(), ids);
  EXPECT_EQ(world_.State()["activeCharacterId"], "builtin");
  // Loading alone stores nothing.
  EXPECT_EQ(world_.Setting("characters.list"), list.dump());
}

TEST_F(LoadCharacters, StartRemovesOnlyTheTemporariesOfUploadsAndIconUpdates) {
  for (const char* name : {"character-1.png.uploading", "assistant-icon-c1.ico.2.updating", "character-3.png",
                           "mine.png.uploading", "character-4.png.uploading.txt", "x-assistant-icon-c.ico.updating"}) {
    world_.StorePicture(name, "bytes");
  }
  world_.Start();
  EXPECT_EQ(world_.Listing(),
            L"character-3.png,character-4.png.uploading.txt,mine.png.uploading,x-assistant-icon-c.ico.updating");
}

TEST_F(LoadCharacters, ARecordWhosePictureIsMissingIsDroppedSilently) {
  Json list = Json::array();
  StoreRecord(list, "kept");
  list.push_back(Record("gone", "gone.png"));
  world_.StoreList(list);
  world_.harness.PreStoreSetting("characters.active", "gone");
  world_.Start();
  EXPECT_EQ(world_.CustomIds(), std::vector<std::string>{"kept"});
  EXPECT_EQ(world_.State()["activeCharacterId"], "builtin");
  EXPECT_TRUE(world_.PetPosts().empty());
}

TEST_F(LoadCharacters, TheStoredActiveCustomCharacterStaysActive) {
  Json list = Json::array();
  StoreRecord(list, "a");
  StoreRecord(list, "b");
  world_.StoreList(list);
  world_.harness.PreStoreSetting("characters.active", "b");
  world_.Start();
  EXPECT_EQ(world_.State()["activeCharacterId"], "b");
  EXPECT_EQ(world_.State()["characters"][2],
            (Json{{"id", "b"}, {"name", "name b"}, {"imageUrl", "https://characters.nubo.example/b.png"},
                  {"layout", "single"}, {"builtIn", false}}));
}

struct SkippedCase {
  const char* name;
  Json element;
};

class SkippedRecords : public LoadCharacters, public ::testing::WithParamInterface<SkippedCase> {};

// The record between two good ones is skipped; the list as a whole still loads.
TEST_P(SkippedRecords, AreDroppedAndTheRestLoads) {
  world_.StorePicture("a.png", "a");
  world_.StorePicture("z.png", "z");
  world_.StorePicture("x.png", "x");
  world_.StoreList(Json::array({Record("a", "a.png"), GetParam().element, Record("z", "z.png")}));
  world_.Start();
  EXPECT_EQ(world_.CustomIds(), (std::vector<std::string>{"a", "z"}));
}

INSTANTIATE_TEST_SUITE_P(
    Rules, SkippedRecords,
    ::testing::Values(
        SkippedCase{"not_an_object", Json::array({"x"})},
        SkippedCase{"id_with_blank", Record("x y", "x.png")},
        SkippedCase{"id_65_bytes", Record(std::string(65, 'x'), "x.png")},
        SkippedCase{"id_missing", Json{{"name", "n"}, {"fileName", "x.png"}}},
        SkippedCase{"name_21_code_points", Json{{"id", "x"}, {"name", std::string(21, 'n')}, {"fileName", "x.png"}}},
        SkippedCase{"layout_unknown", Record("x", "x.png", "grid")},
        SkippedCase{"file_empty", Record("x", "")},
        SkippedCase{"file_dot_dot", Record("x", "..")},
        SkippedCase{"file_in_another_folder", Record("x", "..\\x.png")},
        SkippedCase{"file_with_nul", Record("x", std::string("x.png\0.txt", 10))},
        // Members of the wrong JSON type skip only their own record.
        SkippedCase{"layout_number", Json{{"id", "x"}, {"name", "n"}, {"fileName", "x.png"}, {"layout", 2}}},
        SkippedCase{"layout_null", Json{{"id", "x"}, {"name", "n"}, {"fileName", "x.png"}, {"layout", nullptr}}},
        SkippedCase{"id_number", Json{{"id", 7}, {"name", "n"}, {"fileName", "x.png"}}},
        SkippedCase{"name_object", Json{{"id", "x"}, {"name", Json::object()}, {"fileName", "x.png"}}}),
    testing::CaseName());

TEST_F(LoadCharacters, AMissingLayoutReadsAsSingle) {
  world_.StorePicture("a.png", "a");
  world_.StoreList(Json::array({Json{{"id", "a"}, {"name", "n"}, {"fileName", "a.png"}}}));
  world_.Start();
  EXPECT_EQ(world_.State()["characters"][1]["layout"], "single");
}

TEST_F(LoadCharacters, AListThatIsNotAnArrayLoadsNoCustomCharacters) {
  world_.StorePicture("a.png", "a");
  world_.StoreList(Json{{"0", Record("a", "a.png")}});
  world_.Start();
  EXPECT_TRUE(world_.CustomIds().empty());
  // It was read: a new character may be stored over it.
  world_.Upload("new", PngDataUrl(MakePng(1, 1)));
  EXPECT_EQ(world_.CustomIds().size(), 1u);
}

// A damaged stored list cannot be read; the user's characters and pictures
// must survive until a start that can read them.
TEST_F(LoadCharacters, ADamagedListIsNeverStoredOver) {
  world_.StorePicture("a.png", "a");
  world_.harness.PreStoreSetting("characters.list", "[{\"id\":\"a\"");
  world_.harness.PreStoreSetting("characters.active", "a");
  world_.Start();
  EXPECT_TRUE(world_.CustomIds().empty());
  EXPECT_EQ(world_.State()["activeCharacterId"], "builtin");

  world_.Upload("new", PngDataUrl(MakePng(1, 1)));
  EXPECT_EQ(world_.PetPosts(),
            std::vector<std::string>{AppErrorText("角色衣柜暂时无法读取，请重新启动星朵助手后再上传。")});
  EXPECT_EQ(world_.Listing(), L"a.png");
  world_.FromPet("character.activate", Json{{"id", "builtin"}});
  EXPECT_EQ(world_.Setting("characters.active"), "builtin");
  EXPECT_EQ(world_.Setting("characters.list"), "[{\"id\":\"a\"");
}

TEST_F(LoadCharacters, AFailedSettingsReadKeepsTheStoredWardrobeForTheNextStart) {
  Json list = Json::array();
  StoreRecord(list, "a");
  world_.StoreList(list);
  world_.harness.PreStoreSetting("characters.active", "a");
  world_.harness.PreStoreSetting("pet.x", "abc");
  world_.harness.PreStoreSetting("pet.y", "1");
  world_.Start();
  EXPECT_TRUE(world_.CustomIds().empty());
  world_.FromPet("character.activate", Json{{"id", "builtin"}});
  world_.Upload("new", PngDataUrl(MakePng(1, 1)));
  EXPECT_EQ(world_.Setting("characters.list"), list.dump());
  EXPECT_EQ(world_.Listing(), L"a.png");

  world_.Stop();
  world_.harness.PreStoreSetting("pet.x", "10");
  world_.Start();
  EXPECT_EQ(world_.CustomIds(), std::vector<std::string>{"a"});
  EXPECT_EQ(world_.State()["activeCharacterId"], "builtin");  // the user's later choice
}

class LoadWithPackagedPicture : public LoadCharacters {
 protected:
  LoadWithPackagedPicture() : LoadCharacters(true) {}
};

TEST_F(LoadWithPackagedPicture, AStoredCopyOfThePackagedPictureIsDroppedOnce) {
  Json list = Json::array();
  StoreRecord(list, "copy", kPackagedBytes);
  StoreRecord(list, "own", "own picture");
  world_.StorePicture("assistant-icon-copy.ico", "icon");
  world_.StorePicture("assistant-icon-own.ico", "icon");
  world_.StoreList(list);
  world_.harness.PreStoreSetting("characters.active", "own");
  world_.harness.PreStoreSetting("characters.packagedGirlDefaultApplied", "1");
  world_.Start();

  EXPECT_EQ(world_.CustomIds(), std::vector<std::string>{"own"});
  const std::string storedList = world_.Setting("characters.list");
  EXPECT_EQ(storedList, R"([{"fileName":"own.png","id":"own","layout":"single","name":"name own"}])");
  EXPECT_EQ(world_.Setting("characters.active"), "own");
  EXPECT_EQ(world_.Listing(), L"assistant-icon-own.ico,own.png");

  world_.Stop();
  world_.Start();
  EXPECT_EQ(world_.CustomIds(), std::vector<std::string>{"own"});
  EXPECT_EQ(world_.Setting("characters.list"), storedList);
  EXPECT_EQ(world_.State()["activeCharacterId"], "own");
}

TEST_F(LoadWithPackagedPicture, ALeftoverThatCannotBeDeletedDoesNotCostTheWardrobe) {
  Json list = Json::array();
  StoreRecord(list, "copy", kPackagedBytes);
  StoreRecord(list, "own", "own picture");
  world_.StorePicture("assistant-icon-copy.ico", "icon");
  world_.StoreList(list);
  world_.harness.PreStoreSetting("characters.active", "own");
  FileHandle held(CreateFileW(world_.CharacterFile("assistant-icon-copy.ico").c_str(), GENERIC_READ,
                              FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(held);
  world_.Start();
  held.reset();
  EXPECT_EQ(world_.CustomIds(), std::vector<std::string>{"own"});
  EXPECT_EQ(world_.State()["activeCharacterId"], "own");
  EXPECT_EQ(world_.Listing(), L"assistant-icon-copy.ico,own.png");
}

TEST_F(LoadWithPackagedPicture, TheFirstStartWithThePictureSwitchesToItOnce) {
  world_.harness.PreStoreSetting("characters.active", "builtin");
  world_.Start();
  EXPECT_EQ(world_.State()["activeCharacterId"], "builtin-girl");
  EXPECT_EQ(world_.Setting("characters.active"), "builtin-girl");
  EXPECT_EQ(world_.Setting("characters.packagedGirlDefaultApplied"), "1");

  world_.FromPet("character.activate", Json{{"id", "builtin"}});
  world_.Stop();
  world_.Start();
  EXPECT_EQ(world_.State()["activeCharacterId"], "builtin");
}

TEST_F(LoadWithPackagedPicture, TheFirstStartKeepsAnActiveCustomCharacter) {
  Json list = Json::array();
  StoreRecord(list, "own");
  world_.StoreList(list);
  world_.harness.PreStoreSetting("characters.active", "own");
  world_.Start();
  EXPECT_EQ(world_.State()["activeCharacterId"], "own");
  EXPECT_EQ(world_.Setting("characters.packagedGirlDefaultApplied"), "1");
  const Json characters = world_.State()["characters"];
  EXPECT_EQ(characters[0]["id"], "builtin-girl");
  EXPECT_EQ(characters[1]["id"], "builtin");
  EXPECT_EQ(characters[2]["id"], "own");
}

TEST_F(LoadCharacters, WithoutThePackagedPictureItsIdIsNotKept) {
  world_.harness.PreStoreSetting("characters.active", "builtin-girl");
  world_.Start();
  EXPECT_EQ(world_.State()["activeCharacterId"], "builtin");
  EXPECT_EQ(world_.Setting("characters.packagedGirlDefaultApplied"), "<absent>");
}

}  // namespace
}  // namespace nubo
