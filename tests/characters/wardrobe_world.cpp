#include "tests/characters/wardrobe_world.h"

#include <stdexcept>

#include "store/app_files.h"
#include "store/file_utils.h"
#include "store/text_convert.h"
#include "ui_bridge/messages.h"

namespace nubo::testing {
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
