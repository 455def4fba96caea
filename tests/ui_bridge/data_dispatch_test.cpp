#include <gtest/gtest.h>

#include "store/file_utils.h"
#include "tests/support/app_harness.h"

namespace nubo {
namespace {

using testing::AppHarness;
using Json = nlohmann::json;

// The database and image requests through the whole dispatcher, with the
// file dialog answered by the test.
class DataDispatch : public ::testing::Test {
 protected:
  void SetUp() override {
    databasePath_ = harness_.root.file(L"notes.db");
    harness_.dialogs.databaseFile = [this](HWND, bool, wchar_t* buffer, uint64_t units) {
      ++dialogsShown_;
      if (whileOpen_) whileOpen_();
      if (databasePath_.size() + 1 > units) return -1;
      databasePath_.copy(buffer, databasePath_.size());
      buffer[databasePath_.size()] = L'\0';
      return 1;
    };
    harness_.StartWithBothWindows();
  }

  Json Ask(const std::string& message) {
    // Held from before the request: a quit during it destroys the window.
    testing::ScriptedView& view = harness_.DashboardView();
    view.ClearPosted();
    harness_.FromDashboard(message);
    const auto replies = testing::ParsedPosts(view);
    return replies.empty() ? Json() : replies.back();
  }

  AppHarness harness_;
  std::wstring databasePath_;
  std::function<void()> whileOpen_;
  int dialogsShown_ = 0;
};

TEST_F(DataDispatch, RefreshNeedsAnOpenDatabaseBeforePickAndAfterClose) {
  const char* kNoDatabase = "请先打开一个 SQLite 数据库。";
  EXPECT_EQ(Ask(R"({"type":"database.refresh","payload":{"requestId":"r1"}})")["payload"]["message"], kNoDatabase);

  const Json picked = Ask(R"({"type":"database.pick","payload":{"requestId":"p1","createNew":true}})");
  EXPECT_EQ(picked["type"], "database.pick.result");
  EXPECT_TRUE(FileExists(databasePath_));

  const Json created = Ask(
      R"({"type":"database.execute","payload":{"requestId":"e1","sql":"CREATE TABLE notes(id INTEGER PRIMARY KEY, body TEXT);","allowWrite":true}})");
  EXPECT_EQ(created["type"], "database.execute.result") << created.dump();
  const Json refreshed = Ask(R"({"type":"database.refresh","payload":{"requestId":"r2"}})");
  EXPECT_EQ(refreshed["type"], "database.refresh.result");
  EXPECT_NE(refreshed.dump().find("\"notes\""), std::string::npos) << refreshed.dump();

  EXPECT_EQ(Ask(R"({"type":"database.close","payload":{"requestId":"c1"}})")["type"], "database.close.result");
  EXPECT_EQ(Ask(R"({"type":"database.refresh","payload":{"requestId":"r3"}})")["payload"]["message"], kNoDatabase);
}

TEST_F(DataDispatch, QuitAskedForWhileADialogIsOpenWaitsForIt) {
  whileOpen_ = [this] {
    // The tray menu or the pet's close button, from the dialog's own loop.
    harness_.app().Quit();
    EXPECT_FALSE(harness_.app().IsShuttingDown());
    EXPECT_NE(harness_.app().PetWindow()->Handle(), nullptr);
  };
  const Json picked = Ask(R"({"type":"database.pick","payload":{"requestId":"p1","createNew":true}})");
  EXPECT_EQ(picked["type"], "database.pick.result");  // the answer still arrives
  EXPECT_TRUE(harness_.app().IsShuttingDown());
  EXPECT_EQ(harness_.app().PetWindow()->Handle(), nullptr);
}

TEST_F(DataDispatch, ASecondDialogWhileOneIsOpenIsRefused) {
  Json inner;
  whileOpen_ = [this, &inner] {
    whileOpen_ = nullptr;
    inner = Ask(R"({"type":"database.pick","payload":{"requestId":"p2"}})");
  };
  Ask(R"({"type":"database.pick","payload":{"requestId":"p1","createNew":true}})");
  EXPECT_EQ(inner["type"], "database.pick.error");
  EXPECT_EQ(inner["payload"]["message"], "已有一个文件窗口正在打开，请先完成或关闭它。");
  EXPECT_EQ(dialogsShown_, 1);
}

TEST_F(DataDispatch, InvalidRequestIdsOfPickAndImageSaveAreAppErrors) {
  EXPECT_EQ(Ask(R"({"type":"database.pick","payload":{}})"),
            Json::parse(R"({"payload":{"message":"数据库请求缺少有效标识。"},"type":"app.error"})"));
  EXPECT_EQ(Ask(R"({"type":"image.save","payload":{"requestId":")" + std::string(97, 'i') + R"("}})"),
            Json::parse(R"({"payload":{"message":"图片保存请求无效。"},"type":"app.error"})"));
  EXPECT_EQ(dialogsShown_, 0);
}

}  // namespace
}  // namespace nubo
