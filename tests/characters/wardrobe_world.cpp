#include "tests/characters/wardrobe_world.h"


#include <stdexcept>

#include "store/app_files.h"
#include "store/file_utils.h"
#include "store/sqlite_handles.h"
#include "store/text_convert.h"
#include "ui_bridge/messages.h"

namespace nubo::testing {
namespace {

class TestConnection {
 public:
  explicit TestConnection(const std::wstring& path) {
    if (sqlite3_open_v2(Utf16ToUtf8(path).c_str(), db_.out(), SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
      throw std::runtime_error("cannot open the test database");
    }
    sqlite3_busy_timeout(db_.get(), 5000);
  }

  void Execute(const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db_.get(), sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
      const std::string message = error != nullptr ? error : "sqlite error";
      sqlite3_free(error);
      throw std::runtime_error(message);
    }
  }
  sqlite3* get() const { return db_.get(); }

 private:
  SqliteConnection db_;
};

}  // namespace

std::string AppErrorText(const std::string& message) {
  return SerializeMessage(MakeMessage("app.error", Json{{"message", message}}));
}

WardrobeWorld::WardrobeWorld(AppHarness::Options options) : harness(options) {}

void WardrobeWorld::Start(bool withDashboard) {
  harness.Start();
  if (withDashboard) {
    harness.app().ShowDashboard();
    harness.WaitForBrowsers();
  }
  ClearPosts();
}

void WardrobeWorld::ClearPosts() {
  harness.log.Clear();
  harness.PetView().ClearPosted();
  if (harness.DashboardHandle() != nullptr) harness.DashboardView().ClearPosted();
}

void WardrobeWorld::FromPet(const std::string& type, const Json& payload) {
  harness.FromPet(SerializeMessage(MakeMessage(type, payload)));
}

void WardrobeWorld::FromDashboard(const std::string& type, const Json& payload) {
  harness.FromDashboard(SerializeMessage(MakeMessage(type, payload)));
}

std::string WardrobeWorld::Upload(const std::string& name, const std::string& dataUrl,
                                  const std::string& layout) {
  FromPet("character.upload", Json{{"name", name}, {"layout", layout}, {"dataUrl", dataUrl}});
  return State()["activeCharacterId"].get<std::string>();
}

void WardrobeWorld::UpdateIcon(const std::string& id, const std::string& dataUrl) {
  FromPet("character.icon.update", Json{{"id", id}, {"dataUrl", dataUrl}});
}

Json WardrobeWorld::State() {
  Json state = harness.app().BuildStatePayload();
  state.erase("now");
  return state;
}

std::vector<std::string> WardrobeWorld::CustomIds() {
  std::vector<std::string> ids;
  const Json state = State();
  for (const Json& character : state["characters"]) {
    if (!character["builtIn"].get<bool>()) ids.push_back(character["id"].get<std::string>());
  }
  return ids;
}

std::string WardrobeWorld::Setting(const std::string& key) {
  const auto all = AllSettings();
  const auto it = all.find(key);
  return it != all.end() ? it->second : "<absent>";
}

std::wstring WardrobeWorld::DatabasePath() const {
  return JoinPath(harness.AppFolder(), kDatabaseFileName);
}

std::map<std::string, std::string> WardrobeWorld::AllSettings() {
  TestConnection connection(DatabasePath());
  std::map<std::string, std::string> settings;
  SqliteStatement statement;
  sqlite3_prepare_v2(connection.get(), "SELECT key, value FROM app_settings;", -1, statement.out(), nullptr);
  while (sqlite3_step(statement.get()) == SQLITE_ROW) {
    settings[ColumnText(statement.get(), 0)] = ColumnText(statement.get(), 1);
  }
  return settings;
}

void WardrobeWorld::ExecuteSql(const std::string& sql) {
  TestConnection connection(DatabasePath());
  connection.Execute(sql);
}

void WardrobeWorld::FailWritesOf(const std::string& key) {
  for (const char* event : {"INSERT", "UPDATE"}) {
    ExecuteSql(std::string("CREATE TRIGGER IF NOT EXISTS injected_") + event + " BEFORE " + event +
               " ON app_settings WHEN NEW.key = '" + key +
               "' BEGIN SELECT RAISE(ABORT, 'injected failure'); END;");
  }
}

void WardrobeWorld::AllowAllWrites() {
  ExecuteSql("DROP TRIGGER IF EXISTS injected_INSERT; DROP TRIGGER IF EXISTS injected_UPDATE;");
}

std::wstring WardrobeWorld::CharactersFolder() const {
  return JoinPath(harness.AppFolder(), kCharactersFolderName);
}

std::wstring WardrobeWorld::CharacterFile(const std::string& name) const {
  return JoinPath(CharactersFolder(), Utf8ToUtf16(name));
}

std::wstring WardrobeWorld::Listing() const { return ListFolder(CharactersFolder()); }

void WardrobeWorld::StorePicture(const std::string& name, const std::string& bytes) {
  EnsureDirectory(CharactersFolder());
  WriteWholeFile(CharacterFile(name), bytes);
}

void WardrobeWorld::StoreList(const Json& list) {
  harness.PreStoreSetting("characters.list", list.dump());
}

}  // namespace nubo::testing
