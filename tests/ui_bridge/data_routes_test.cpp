#include <gtest/gtest.h>
#include <windows.h>

#include <cwchar>
#include <stdexcept>
#include <string>

#include "store/text_convert.h"
#include "tests/support/failure_text.h"
#include "tests/support/temp_dir.h"
#include "ui_bridge/database_routes.h"
#include "ui_bridge/image_routes.h"

namespace nubo {
namespace {

using nubo::testing::FailureText;
using nubo::testing::ListFolder;
using nubo::testing::TempDir;

const HWND kOwner = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x4242));
constexpr char kBusy[] = "已有一个文件窗口正在打开，请先完成或关闭它。";
// "data:image/png;base64," with the PNG signature and "ok".
constexpr char kPngDataUrl[] = "data:image/png;base64,iVBORw0KGgpvaw==";

// The application's side: the open file, the dialogs (answered by the test)
// and the one gate, as a route context for the sending window.
class DataRoutes : public ::testing::Test {
 protected:
  DataRoutes() {
    dialogs_.databaseFile = [this](HWND owner, bool create, wchar_t* buffer, uint64_t units) {
      ++databaseDialogs_;
      lastOwner_ = owner;
      lastCreate_ = create;
      lastUnits_ = units;
      RunOnceDuringDialog();
      if (answer_ == 1) std::wcsncpy(buffer, chosen_.c_str(), static_cast<size_t>(units) - 1);
      return answer_;
    };
    dialogs_.saveImage = [this](HWND owner, const wchar_t*, const wchar_t* initialName,
                                wchar_t* buffer, uint64_t units) {
      ++imageDialogs_;
      lastOwner_ = owner;
      lastInitialName_ = initialName;
      RunOnceDuringDialog();
      if (answer_ == 1) std::wcsncpy(buffer, chosen_.c_str(), static_cast<size_t>(units) - 1);
      return answer_;
    };
  }

  // What the nested message loop delivers while the dialog is open, once.
  void RunOnceDuringDialog() {
    const std::function<void()> during = std::move(duringDialog_);
    duringDialog_ = nullptr;
    if (during) during();
  }

  Json Database(const std::string& type, const Json& payload) {
    return RouteDatabaseRequest(context_, type, payload);
  }
  Json Image(const Json& payload) { return RouteImageRequest(context_, "image.save", payload); }

  Json Pick(const std::wstring& path, bool createNew) {
    answer_ = 1;
    chosen_ = path;
    return Database("database.pick", Json{{"requestId", "pick"}, {"createNew", createNew}});
  }

  TempDir dir_;
  std::wstring currentDatabase_;
  FileDialogs dialogs_;
  DialogGate gate_;
  DataRouteContext context_{currentDatabase_, kOwner, dialogs_, gate_};

  int answer_ = 1;
  std::wstring chosen_;
  std::function<void()> duringDialog_;
  int databaseDialogs_ = 0;
  int imageDialogs_ = 0;
  HWND lastOwner_ = nullptr;
  bool lastCreate_ = false;
  uint64_t lastUnits_ = 0;
  std::wstring lastInitialName_;
};

TEST_F(DataRoutes, RefreshAndExecuteNeedAnOpenDatabase) {
  EXPECT_EQ(SerializeMessage(Database("database.refresh", Json{{"requestId", "r1"}})),
            R"j({"payload":{"message":"请先打开一个 SQLite 数据库。","requestId":"r1"},"type":"database.refresh.error"})j");
  EXPECT_EQ(SerializeMessage(Database("database.execute", Json{{"requestId", "r2"}, {"sql", "SELECT 1"}})),
            R"j({"payload":{"message":"请先打开一个 SQLite 数据库。","requestId":"r2"},"type":"database.execute.error"})j");
}

TEST_F(DataRoutes, PickCreateATableAndTheOverviewComesBack) {
  const std::wstring path = dir_.file(L"笔记.db");
  const Json picked = Pick(path, true);
  ASSERT_EQ(picked["type"], "database.pick.result");
  EXPECT_EQ(picked["payload"]["requestId"], "pick");
  EXPECT_EQ(picked["payload"]["cancelled"], false);
  EXPECT_EQ(picked["payload"]["overview"]["fileName"], "笔记.db");
  EXPECT_EQ(picked["payload"]["overview"]["objects"], Json::array());
  EXPECT_EQ(currentDatabase_, path);
  EXPECT_EQ(lastOwner_, kOwner);
  EXPECT_TRUE(lastCreate_);
  EXPECT_EQ(lastUnits_, 32768u);

  const Json created = Database("database.execute",
                                Json{{"requestId", "e1"},
                                     {"sql", "CREATE TABLE notes (id INTEGER PRIMARY KEY, body TEXT);"},
                                     {"allowWrite", true}});
  ASSERT_EQ(created["type"], "database.execute.result");
  EXPECT_EQ(created["payload"]["result"]["wroteData"], true);
  EXPECT_EQ(created["payload"]["result"]["message"], "执行完成，影响 0 行。");
  const Json& objects = created["payload"]["overview"]["objects"];
  ASSERT_EQ(objects.size(), 1u);
  EXPECT_EQ(objects[0]["name"], "notes");
  EXPECT_EQ(objects[0]["columns"].size(), 2u);

  const Json read = Database("database.execute", Json{{"requestId", "e2"}, {"sql", "SELECT count(*) AS n FROM notes"}});
  EXPECT_EQ(read["payload"]["result"]["rows"], Json::parse(R"([["0"]])"));
  EXPECT_FALSE(read["payload"].contains("overview"));

  const Json refreshed = Database("database.refresh", Json{{"requestId", "f1"}});
  ASSERT_EQ(refreshed["type"], "database.refresh.result");
  EXPECT_EQ(refreshed["payload"]["overview"]["objects"][0]["name"], "notes");

  EXPECT_EQ(SerializeMessage(Database("database.close", Json{{"requestId", "c1"}})),
            R"j({"payload":{"requestId":"c1"},"type":"database.close.result"})j");
  EXPECT_TRUE(currentDatabase_.empty());
  EXPECT_EQ(Database("database.refresh", Json{{"requestId", "f2"}})["payload"]["message"],
            "请先打开一个 SQLite 数据库。");
}

TEST_F(DataRoutes, PickCancelledOrFailedKeepsTheCurrentDatabase) {
  currentDatabase_ = L"C:\\kept.db";
  answer_ = 0;
  EXPECT_EQ(SerializeMessage(Database("database.pick", Json{{"requestId", "p1"}})),
            R"j({"payload":{"cancelled":true,"requestId":"p1"},"type":"database.pick.result"})j");
  EXPECT_FALSE(lastCreate_);
  answer_ = -1;
  EXPECT_EQ(SerializeMessage(Database("database.pick", Json{{"requestId", "p2"}})),
            R"j({"payload":{"message":"无法打开 Windows 文件选择器。","requestId":"p2"},"type":"database.pick.error"})j");
  answer_ = 1;
  chosen_ = dir_.file(L"absent.db");
  EXPECT_EQ(Database("database.pick", Json{{"requestId", "p3"}})["payload"]["message"],
            "选择的数据库文件不存在或不是普通文件。");
  EXPECT_EQ(currentDatabase_, L"C:\\kept.db");
  EXPECT_EQ(ListFolder(dir_.path()), L"");
}

TEST_F(DataRoutes, PickWithoutAValidRequestIdIsAnApplicationError) {
  for (const Json& payload : {Json::object(), Json{{"requestId", ""}},
                              Json{{"requestId", std::string(81, 'x')}}}) {
    EXPECT_EQ(FailureText([&] { Database("database.pick", payload); }), "数据库请求缺少有效标识。");
  }
  EXPECT_THROW(Database("database.pick", Json{{"requestId", 7}}), Json::type_error);
  EXPECT_THROW(Database("database.pick", Json::array()), Json::type_error);
  EXPECT_EQ(databaseDialogs_, 0);

  answer_ = 0;
  EXPECT_EQ(Database("database.pick", Json{{"requestId", std::string(80, 'x')}})["type"],
            "database.pick.result");
  const Json badFlag = Database("database.pick", Json{{"requestId", "p"}, {"createNew", "yes"}});
  EXPECT_EQ(badFlag["type"], "database.pick.error");
  EXPECT_EQ(databaseDialogs_, 1);
}

TEST_F(DataRoutes, RefreshExecuteAndCloseReadTheirFields) {
  Pick(dir_.file(L"a.db"), true);
  const std::string longId(81, 'r');
  EXPECT_EQ(SerializeMessage(Database("database.refresh", Json{{"requestId", longId}})),
            R"j({"payload":{"message":"请先打开一个 SQLite 数据库。","requestId":")j" + longId +
                R"j("},"type":"database.refresh.error"})j");
  EXPECT_THROW(Database("database.execute", Json{{"requestId", 1}}), Json::type_error);
  const Json badSql = Database("database.execute", Json{{"requestId", "e"}, {"sql", 5}});
  EXPECT_EQ(badSql["type"], "database.execute.error");
  EXPECT_EQ(Database("database.execute", Json{{"requestId", "e"}})["payload"]["message"], "请输入要执行的 SQL。");

  EXPECT_THROW(Database("database.close", Json{{"requestId", 3}}), Json::type_error);
  EXPECT_FALSE(currentDatabase_.empty());
  EXPECT_EQ(SerializeMessage(Database("database.close", Json::object())),
            R"j({"payload":{"requestId":""},"type":"database.close.result"})j");
  EXPECT_EQ(FailureText([&] { Database("database.drop", Json::object()); }), "暂不支持这个操作。");
  EXPECT_EQ(FailureText([&] { RouteImageRequest(context_, "image.load", Json::object()); }),
            "暂不支持这个操作。");
}

TEST_F(DataRoutes, ExecuteAnswersMendedFailuresAndRepairedText) {
  const std::wstring path = dir_.file(L"mends.db");
  Pick(path, true);
  Database("database.execute", Json{{"requestId", "e"}, {"allowWrite", true},
                                    {"sql", "CREATE TABLE t (v); INSERT INTO t VALUES (CAST(x'6361' || 'fe' AS TEXT));"
                                            "INSERT INTO t VALUES (CAST(x'ff' AS TEXT));"}});
  const Json rows = Database("database.execute", Json{{"requestId", "e"}, {"sql", "SELECT v FROM t"}});
  ASSERT_EQ(rows["type"], "database.execute.result");
  EXPECT_NO_THROW(SerializeMessage(rows));
  EXPECT_EQ(rows["payload"]["result"]["rows"][1][0], "\xEF\xBF\xBD");

  const Json open = Database("database.execute",
                             Json{{"requestId", "e"}, {"sql", "BEGIN; DELETE FROM t;"}, {"allowWrite", true}});
  EXPECT_EQ(open["type"], "database.execute.error");
  EXPECT_EQ(open["payload"]["message"],
            "事务没有提交：执行结束时仍有未结束的事务，其中的修改已全部回滚。请以 COMMIT 结束事务后再执行。");
  // Earlier statements stay applied: the error says so and lists the file as it now is.
  const Json partly = Database(
      "database.execute",
      Json{{"requestId", "e"}, {"allowWrite", true},
           {"sql", "CREATE TABLE made (a); INSERT INTO made VALUES (1); SELECT abs(-9223372036854775807 - 1);"}});
  EXPECT_EQ(partly["type"], "database.execute.error");
  EXPECT_EQ(partly["payload"]["message"], "SQL 执行失败: integer overflow。此前已提交的修改仍然保留，共影响 1 行。");
  EXPECT_EQ(partly["payload"]["overview"]["objects"][0]["name"], "made");
  EXPECT_FALSE(open["payload"].contains("overview"));
  const Json nul = Database("database.execute", Json{{"requestId", "e"},
                                                     {"sql", std::string("SELECT 1;\0DELETE FROM t;", 24)},
                                                     {"allowWrite", true}});
  EXPECT_EQ(nul["payload"]["message"], "SQL 中不能包含 NUL 字符（\\0），请删除后再执行。");
  EXPECT_EQ(Database("database.execute", Json{{"requestId", "e"}, {"sql", "SELECT count(*) FROM t"}})
                ["payload"]["result"]["rows"][0][0],
            "2");
}

TEST_F(DataRoutes, ImageSaveAcceptsA96ByteRequestIdButNot97) {
  answer_ = 0;
  const std::string id96(96, 'i');
  EXPECT_EQ(SerializeMessage(Image(Json{{"requestId", id96}, {"format", "png"}, {"dataUrl", kPngDataUrl}})),
            R"j({"payload":{"cancelled":true,"path":"","requestId":")j" + id96 +
                R"j(","sizeBytes":0},"type":"image.save.result"})j");
  EXPECT_EQ(imageDialogs_, 1);
  EXPECT_EQ(lastInitialName_, L"converted-image.png");  // the default base name
  for (const Json& payload : {Json{{"requestId", std::string(97, 'i')}}, Json::object(),
                              Json{{"requestId", ""}}}) {
    EXPECT_EQ(FailureText([&] { Image(payload); }), "图片保存请求无效。");
  }
  EXPECT_THROW(Image(Json{{"requestId", false}}), Json::type_error);
  EXPECT_EQ(imageDialogs_, 1);
}

TEST_F(DataRoutes, ImageSaveRepliesWithThePathOrTheRefusal) {
  chosen_ = dir_.file(L"saved");
  const Json saved = Image(Json{{"requestId", "s1"}, {"format", "png"}, {"dataUrl", kPngDataUrl},
                                {"suggestedBaseName", "logo"}});
  ASSERT_EQ(saved["type"], "image.save.result");
  EXPECT_EQ(saved["payload"]["cancelled"], false);
  EXPECT_EQ(saved["payload"]["path"], Utf16ToUtf8(dir_.file(L"saved.png")));
  EXPECT_EQ(saved["payload"]["sizeBytes"], 10);
  EXPECT_EQ(lastOwner_, kOwner);
  EXPECT_EQ(lastInitialName_, L"logo.png");

  EXPECT_EQ(SerializeMessage(Image(Json{{"requestId", "s2"}, {"dataUrl", kPngDataUrl}})),
            R"j({"payload":{"message":"不支持这个图片输出格式。","requestId":"s2"},"type":"image.save.error"})j");
  EXPECT_EQ(Image(Json{{"requestId", "s3"}, {"format", "png"}, {"dataUrl", 1}})["type"], "image.save.error");
  EXPECT_EQ(imageDialogs_, 1);
  EXPECT_EQ(ListFolder(dir_.path()), L"saved.png");
}

// A modal dialog runs a nested message loop: requests arrive while it is open.
TEST_F(DataRoutes, OnlyOneDialogOpensAndStateIsReadAfterItCloses) {
  const std::wstring first = dir_.file(L"first.db");
  const std::wstring second = dir_.file(L"second.db");
  Pick(first, true);
  Json nestedImage, nestedPick, nestedRefresh, nestedClose;
  bool openDuring = false;
  duringDialog_ = [&] {
    openDuring = gate_.IsDialogOpen();
    nestedImage = Image(Json{{"requestId", "n1"}, {"format", "png"}, {"dataUrl", kPngDataUrl}});
    nestedPick = Database("database.pick", Json{{"requestId", "n2"}});
    nestedRefresh = Database("database.refresh", Json{{"requestId", "n3"}});
    nestedClose = Database("database.close", Json{{"requestId", "n4"}});
  };
  const Json picked = Pick(second, true);
  EXPECT_TRUE(openDuring);
  EXPECT_FALSE(gate_.IsDialogOpen());
  EXPECT_EQ(SerializeMessage(nestedImage),
            std::string(R"j({"payload":{"message":")j") + kBusy +
                R"j(","requestId":"n1"},"type":"image.save.error"})j");
  EXPECT_EQ(nestedPick["type"], "database.pick.error");
  EXPECT_EQ(nestedPick["payload"]["message"], kBusy);
  EXPECT_EQ(nestedRefresh["payload"]["overview"]["fileName"], "first.db");
  EXPECT_EQ(nestedClose["type"], "database.close.result");
  // The pick that closed last decides the current file.
  EXPECT_EQ(picked["payload"]["overview"]["fileName"], "second.db");
  EXPECT_EQ(currentDatabase_, second);
  EXPECT_EQ(databaseDialogs_, 2);
  EXPECT_EQ(imageDialogs_, 0);

  // And the other way round: a pick while the image dialog is open.
  answer_ = 0;
  duringDialog_ = [&] {
    nestedPick = Database("database.pick", Json{{"requestId", "n5"}});
  };
  EXPECT_EQ(Image(Json{{"requestId", "s"}, {"format", "png"}, {"dataUrl", kPngDataUrl}})["payload"]["cancelled"],
            true);
  EXPECT_EQ(nestedPick["payload"]["message"], kBusy);
  EXPECT_FALSE(gate_.IsDialogOpen());
}

}  // namespace
}  // namespace nubo
