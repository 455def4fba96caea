#include <gtest/gtest.h>

#include <regex>

#include "store/file_utils.h"
#include "store/text_convert.h"
#include "tests/characters/picture_bytes.h"
#include "tests/characters/wardrobe_world.h"
#include "tests/support/case_name.h"

namespace nubo {
namespace {

using namespace nubo::testing;

const std::vector<std::string> kSyncToBoth = {"pet <- state.sync", "dashboard <- state.sync"};
constexpr char kWave[] = R"({"payload":{"action":"wave"},"type":"pet.action"})";

class WardrobeRequests : public ::testing::Test {
 protected:
  void SetUp() override { world_.Start(); }
  std::wstring IconFile(const std::string& id) {
    return world_.CharacterFile("assistant-icon-" + id + ".ico");
  }
  WardrobeWorld world_;
  const std::string png_ = MakePng(32, 32);
};

TEST_F(WardrobeRequests, UploadStoresThePictureMakesItActiveAndSyncsBothWindows) {
  const int64_t before = NowMilliseconds();
  const std::string id = world_.Upload("小云", PngDataUrl(png_), "sheet");
  const int64_t after = NowMilliseconds();

  std::smatch match;
  ASSERT_TRUE(std::regex_match(id, match, std::regex("character-([0-9]+)")));
  EXPECT_GE(std::stoll(match[1]), before);
  EXPECT_LE(std::stoll(match[1]), after);
  EXPECT_EQ(world_.Log(), kSyncToBoth);
  EXPECT_EQ(world_.PetPosts(), world_.DashboardPosts());
  const Json sync = Json::parse(world_.PetPosts().at(0));
  EXPECT_EQ(sync["payload"]["characters"].back(),
            (Json{{"id", id}, {"name", "小云"}, {"imageUrl", "https://characters.nubo.example/" + id + ".png"},
                  {"layout", "sheet"}, {"builtIn", false}}));
  EXPECT_EQ(sync["payload"]["activeCharacterId"], id);

  EXPECT_EQ(world_.Listing(), Utf8ToUtf16(id) + L".png");
  EXPECT_EQ(ReadWholeFile(world_.CharacterFile(id + ".png")), png_);
  EXPECT_EQ(world_.Setting("characters.list"),
            R"([{"fileName":")" + id + R"(.png","id":")" + id + R"(","layout":"sheet","name":"小云"}])");
  EXPECT_EQ(world_.Setting("characters.active"), id);
}

TEST_F(WardrobeRequests, AWebpUploadKeepsItsExtensionAndTheDefaultLayout) {
  const std::string webp = MakeWebpBytes(64);
  world_.FromDashboard("character.upload", Json{{"name", "w"}, {"dataUrl", WebpDataUrl(webp)}});
  const Json custom = world_.State()["characters"].back();
  const std::string id = custom["id"];
  EXPECT_EQ(custom["imageUrl"], "https://characters.nubo.example/" + id + ".webp");
  EXPECT_EQ(custom["layout"], "single");
  EXPECT_EQ(ReadWholeFile(world_.CharacterFile(id + ".webp")), webp);
}

TEST_F(WardrobeRequests, TheThirteenthUploadIsRefused) {
  std::vector<std::string> ids;
  for (int i = 0; i < 12; ++i) ids.push_back(world_.Upload(NumberedName(i), PngDataUrl(png_)));
  EXPECT_EQ(world_.CustomIds(), ids);  // all different, in upload order
  const auto settings = world_.AllSettings();
  const std::wstring listing = world_.Listing();
  world_.ClearPosts();

  world_.FromDashboard("character.upload", Json{{"name", "thirteen"}, {"dataUrl", PngDataUrl(png_)}});
  EXPECT_EQ(world_.DashboardPosts(), std::vector<std::string>{AppErrorText("角色衣柜最多保存 12 个自定义角色。")});
  EXPECT_TRUE(world_.PetPosts().empty());
  EXPECT_EQ(world_.CustomIds(), ids);
  EXPECT_EQ(world_.AllSettings(), settings);
  EXPECT_EQ(world_.Listing(), listing);
}

struct UploadRefusal {
  const char* name;
  Json payload;
  std::string message;
};

class UploadRefusals : public WardrobeRequests, public ::testing::WithParamInterface<UploadRefusal> {};

TEST_P(UploadRefusals, ChangeNothing) {
  const auto settings = world_.AllSettings();
  const Json state = world_.State();
  world_.FromPet("character.upload", GetParam().payload);
  EXPECT_EQ(world_.PetPosts(), std::vector<std::string>{AppErrorText(GetParam().message)});
  EXPECT_TRUE(world_.DashboardPosts().empty());
  EXPECT_EQ(world_.AllSettings(), settings);
  EXPECT_EQ(world_.State(), state);
  EXPECT_EQ(world_.Listing(), L"");
}

const std::string kPngUrl = PngDataUrl(MakePng(2, 2));
const std::string kBadName = "衣柜款式名称需要是 1 到 20 个左右的可见字符。";

INSTANTIATE_TEST_SUITE_P(
    Fields, UploadRefusals,
    ::testing::Values(
        UploadRefusal{"name_missing", Json{{"dataUrl", kPngUrl}}, kBadName},
        UploadRefusal{"name_blank", Json{{"name", "   "}, {"dataUrl", kPngUrl}}, kBadName},
        UploadRefusal{"name_21_code_points", Json{{"name", std::string(21, 'n')}, {"dataUrl", kPngUrl}},
                      kBadName},
        UploadRefusal{"name_with_tab", Json{{"name", "a\tb"}, {"dataUrl", kPngUrl}}, kBadName},
        UploadRefusal{"layout_unknown", Json{{"name", "a"}, {"layout", "grid"}, {"dataUrl", kPngUrl}},
                      "请选择单图或 4×2 动作精灵图。"},
        UploadRefusal{"data_url_missing", Json{{"name", "a"}}, "角色图片只支持 PNG 或 WebP。"},
        UploadRefusal{"jpeg", Json{{"name", "a"}, {"dataUrl", "data:image/jpeg;base64,/9j/"}},
                      "角色图片只支持 PNG 或 WebP。"},
        UploadRefusal{"signature", Json{{"name", "a"}, {"dataUrl", PngDataUrl(MakeWebpBytes(20))}},
                      "图片内容与文件格式不一致。"},
        UploadRefusal{"name_not_text", Json{{"name", 5}, {"dataUrl", kPngUrl}}, "界面发送的数据格式不正确。"},
        UploadRefusal{"payload_array", Json::array(), "界面发送的数据格式不正确。"}),
    testing::CaseName());

TEST_F(WardrobeRequests, ANameOfTwentyCodePointsIsAccepted) {
  std::string name;
  for (int i = 0; i < 20; ++i) name += "云";
  const std::string id = world_.Upload(name, PngDataUrl(png_));
  EXPECT_EQ(world_.State()["characters"].back()["name"], name);
  name += "云";
  world_.ClearPosts();
  world_.FromPet("character.upload", Json{{"name", name}, {"dataUrl", PngDataUrl(png_)}});
  EXPECT_EQ(world_.PetPosts(), std::vector<std::string>{AppErrorText(kBadName)});
  EXPECT_EQ(world_.CustomIds(), std::vector<std::string>{id});
}

TEST_F(WardrobeRequests, ActivateStoresSyncsBothWindowsThenWaves) {
  const std::string id = world_.Upload("a", PngDataUrl(png_));
  world_.ClearPosts();
  world_.FromDashboard("character.activate", Json{{"id", "builtin"}});
  EXPECT_EQ(world_.Log(), (std::vector<std::string>{"pet <- state.sync", "dashboard <- state.sync",
                                                    "pet <- pet.action", "dashboard <- pet.action"}));
  EXPECT_EQ(world_.harness.PetView().PostedOfType("pet.action"), std::vector<std::string>{kWave});
  EXPECT_EQ(world_.harness.DashboardView().PostedOfType("pet.action"), std::vector<std::string>{kWave});
  EXPECT_EQ(world_.State()["activeCharacterId"], "builtin");
  EXPECT_EQ(world_.Setting("characters.active"), "builtin");

  world_.FromPet("character.activate", Json{{"id", id}});
  EXPECT_EQ(world_.State()["activeCharacterId"], id);
  EXPECT_EQ(world_.Setting("characters.active"), id);
}

TEST_F(WardrobeRequests, ActivatingAnUnknownCharacterIsRefused) {
  for (const char* id : {"character-1", "builtin-girl", ""}) {
    world_.ClearPosts();
    world_.FromPet("character.activate", Json{{"id", id}});
    EXPECT_EQ(world_.PetPosts(), std::vector<std::string>{AppErrorText("找不到这个角色，可能已经被删除。")}) << id;
    EXPECT_TRUE(world_.DashboardPosts().empty());
  }
  EXPECT_EQ(world_.Setting("characters.active"), "<absent>");
}

TEST_F(WardrobeRequests, DeletingTheActiveCharacterFallsBackToTheDefault) {
  const std::string first = world_.Upload("a", PngDataUrl(png_));
  const std::string second = world_.Upload("b", WebpDataUrl(MakeWebpBytes(30)));
  world_.UpdateIcon(second, PngDataUrl(png_));
  ASSERT_TRUE(FileExists(IconFile(second)));
  world_.ClearPosts();

  world_.FromDashboard("character.delete", Json{{"id", second}});
  EXPECT_EQ(world_.Log(), kSyncToBoth);
  EXPECT_EQ(world_.CustomIds(), std::vector<std::string>{first});
  EXPECT_EQ(world_.State()["activeCharacterId"], "builtin");
  EXPECT_EQ(world_.Setting("characters.active"), "builtin");
  EXPECT_EQ(world_.Setting("characters.list"),
            R"([{"fileName":")" + first + R"(.png","id":")" + first + R"(","layout":"single","name":"a"}])");
  EXPECT_FALSE(FileExists(world_.CharacterFile(second + ".webp")));
  EXPECT_TRUE(FileExists(IconFile(second)));  // the icon file stays
}

TEST_F(WardrobeRequests, DeletingAnotherCharacterKeepsTheActiveOne) {
  const std::string first = world_.Upload("a", PngDataUrl(png_));
  const std::string second = world_.Upload("b", PngDataUrl(png_));
  world_.FromPet("character.delete", Json{{"id", first}});
  EXPECT_EQ(world_.CustomIds(), std::vector<std::string>{second});
  EXPECT_EQ(world_.State()["activeCharacterId"], second);
  EXPECT_EQ(world_.Listing(), Utf8ToUtf16(second) + L".png");
}

TEST_F(WardrobeRequests, BuiltInAndUnknownCharactersCannotBeDeleted) {
  const std::string id = world_.Upload("a", PngDataUrl(png_));
  const auto settings = world_.AllSettings();
  for (const char* target : {"builtin", "builtin-girl", "character-1"}) {
    world_.ClearPosts();
    world_.FromPet("character.delete", Json{{"id", target}});
    EXPECT_EQ(world_.PetPosts(), std::vector<std::string>{AppErrorText("内置角色不能删除，或角色已经不存在。")});
  }
  EXPECT_EQ(world_.CustomIds(), std::vector<std::string>{id});
  EXPECT_EQ(world_.AllSettings(), settings);
}

TEST(WardrobeWithPackagedPicture, DeletingTheActiveCharacterFallsBackToThePackagedOne) {
  AppHarness::Options options;
  options.packagedPicture = true;
  WardrobeWorld world(options);
  world.Start();
  EXPECT_EQ(world.State()["activeCharacterId"], "builtin-girl");
  const std::string id = world.Upload("a", PngDataUrl(MakePng(4, 4)));
  world.FromPet("character.activate", Json{{"id", "builtin-girl"}});
  EXPECT_EQ(world.State()["activeCharacterId"], "builtin-girl");
  world.FromPet("character.activate", Json{{"id", id}});
  world.FromPet("character.delete", Json{{"id", id}});
  EXPECT_EQ(world.State()["activeCharacterId"], "builtin-girl");
  EXPECT_EQ(world.Setting("characters.active"), "builtin-girl");
}

TEST_F(WardrobeRequests, IconUpdateWritesTheIcoFileAndAppliesItEverywhere) {
  const std::string id = world_.Upload("a", PngDataUrl(png_));
  world_.ClearPosts();
  world_.UpdateIcon(id, PngDataUrl(png_));

  const std::wstring icon = IconFile(id);
  const std::string ico = ReadWholeFile(icon);
  ASSERT_EQ(ico.size(), 22 + png_.size());
  EXPECT_EQ(ico.substr(22), png_);
  EXPECT_EQ(world_.Listing(), L"assistant-icon-" + Utf8ToUtf16(id) + L".ico," + Utf8ToUtf16(id) + L".png");
  EXPECT_EQ(world_.app().CustomIconFile(), icon);

  const HICON large = world_.app().CustomLargeIcon();
  const HICON small = world_.app().CustomSmallIcon();
  ASSERT_NE(large, nullptr);
  ASSERT_NE(small, nullptr);
  for (HWND window : {world_.harness.PetHandle(), world_.harness.DashboardHandle()}) {
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, ICON_BIG, 0)), large);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, ICON_SMALL, 0)), small);
  }
  // The tray icon takes the small one; the front end hears nothing.
  EXPECT_EQ(world_.Log(), std::vector<std::string>{"notify 1"});
  const auto& [message, data] = world_.harness.shell.notifications.back();
  EXPECT_EQ(message, static_cast<DWORD>(NIM_MODIFY));
  EXPECT_EQ(data.uFlags, static_cast<UINT>(NIF_ICON));
  EXPECT_EQ(data.hIcon, small);

  // A second update replaces the pair and destroys the previous one.
  world_.UpdateIcon(id, PngDataUrl(MakePng(48, 48)));
  EXPECT_NE(world_.app().CustomLargeIcon(), large);
  ICONINFO info{};
  EXPECT_FALSE(GetIconInfo(large, &info));
  EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(world_.harness.PetHandle(), WM_GETICON, ICON_BIG, 0)),
            world_.app().CustomLargeIcon());
}

TEST(WardrobeIcon, ADashboardOpenedLaterShowsTheCustomIcon) {
  WardrobeWorld world;
  world.Start(false);
  world.UpdateIcon("builtin", PngDataUrl(MakePng(32, 32)));
  ASSERT_NE(world.app().CustomLargeIcon(), nullptr);
  world.app().ShowDashboard();
  const HWND dashboard = world.harness.DashboardHandle();
  EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(dashboard, WM_GETICON, ICON_BIG, 0)),
            world.app().CustomLargeIcon());
  EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(dashboard, WM_GETICON, ICON_SMALL, 0)),
            world.app().CustomSmallIcon());
}

TEST_F(WardrobeRequests, IconUpdateForAnotherThanTheActiveCharacterIsIgnored) {
  const std::string id = world_.Upload("a", PngDataUrl(png_));
  world_.FromPet("character.activate", Json{{"id", "builtin"}});
  world_.ClearPosts();
  for (const Json& payload : {Json{{"id", id}, {"dataUrl", PngDataUrl(png_)}},
                              Json{{"id", id}, {"dataUrl", 5}},  // not even read
                              Json{{"dataUrl", PngDataUrl(png_)}},
                              Json{{"id", "builtin"}, {"dataUrl", 5}}}) {
    world_.FromPet("character.icon.update", payload);
  }
  // Only the member of the wrong type is answered.
  EXPECT_EQ(world_.PetPosts(), std::vector<std::string>{AppErrorText("界面发送的数据格式不正确。")});
  EXPECT_EQ(world_.Listing(), Utf8ToUtf16(id) + L".png");
  EXPECT_EQ(world_.app().CustomLargeIcon(), nullptr);
}

TEST_F(WardrobeRequests, IconUpdateRefusesAWebpPicture) {
  world_.UpdateIcon("builtin", WebpDataUrl(MakeWebpBytes(40)));
  EXPECT_EQ(world_.PetPosts(), std::vector<std::string>{AppErrorText("小助手图标必须使用 PNG 格式。")});
  world_.ClearPosts();
  world_.UpdateIcon("builtin", "data:image/gif;base64,R0lG");
  EXPECT_EQ(world_.PetPosts(), std::vector<std::string>{AppErrorText("角色图片只支持 PNG 或 WebP。")});
  EXPECT_EQ(world_.Listing(), L"");
}

TEST_F(WardrobeRequests, AnIconThatDoesNotLoadIsRefusedAndKeepsTheOldFile) {
  world_.UpdateIcon("builtin", PngDataUrl(png_));
  const HICON large = world_.app().CustomLargeIcon();
  const std::string iconBefore = ReadWholeFile(IconFile("builtin"));
  const std::wstring listing = world_.Listing();
  world_.ClearPosts();
  // Carries the PNG signature, so it passes the upload checks, but no picture follows.
  world_.UpdateIcon("builtin", PngDataUrl(MakePngSignedBytes(390)));
  EXPECT_EQ(world_.PetPosts(), std::vector<std::string>{AppErrorText("无法生成当前角色的小助手图标。")});
  EXPECT_EQ(ReadWholeFile(IconFile("builtin")), iconBefore);
  EXPECT_EQ(world_.Listing(), listing);
  EXPECT_EQ(world_.app().CustomLargeIcon(), large);
  EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(world_.harness.PetHandle(), WM_GETICON, ICON_BIG, 0)), large);
  ICONINFO info{};
  EXPECT_TRUE(GetIconInfo(large, &info));
  if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
  if (info.hbmMask != nullptr) DeleteObject(info.hbmMask);
}

}  // namespace
}  // namespace nubo
