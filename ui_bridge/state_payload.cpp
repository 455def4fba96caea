#include "ui_bridge/state_payload.h"

#include "app/application.h"
#include "store/file_utils.h"
#include "windows/window_constants.h"

namespace nubo {
namespace {

constexpr char kGirlId[] = "builtin-girl";
constexpr char kGirlName[] = "粉色朵朵";
constexpr char kGirlPicture[] = "/assets/private-default-girl.png";
constexpr char kBuiltinId[] = "builtin";
constexpr char kBuiltinName[] = "经典小鼠";
constexpr char kBuiltinPicture[] = "/assets/nubo-sprite.png";

Json CharacterToJson(const std::string& id, const std::string& name, const std::string& imageUrl,
                     const std::string& layout, bool builtIn) {
  return Json{{"id", id}, {"name", name}, {"imageUrl", imageUrl}, {"layout", layout},
              {"builtIn", builtIn}};
}

}  // namespace

Json ReminderToJson(const Reminder& reminder) {
  return Json{{"id", reminder.id},
              {"title", reminder.title},
              {"dueAt", reminder.dueAt},
              {"completed", reminder.completed},
              {"notified", reminder.notified},
              {"repeatRule", reminder.repeatRule},
              {"priority", reminder.priority}};
}

Json Application::BuildStatePayload() {
  Json reminders = Json::array();
  for (const Reminder& reminder : store_.ListOpenReminders()) {
    reminders.push_back(ReminderToJson(reminder));
  }
  const int64_t now = NowMilliseconds();

  const std::string uiBase = std::string("https://") + kUiHostUtf8;
  const std::string charactersBase = std::string("https://") + kCharactersHostUtf8 + "/";
  Json characters = Json::array();
  if (HasPackagedDefaultCharacter()) {
    characters.push_back(CharacterToJson(kGirlId, kGirlName, uiBase + kGirlPicture, "single", true));
  }
  characters.push_back(CharacterToJson(kBuiltinId, kBuiltinName, uiBase + kBuiltinPicture, "sheet", true));
  for (const CharacterRecord& record : characters_) {
    characters.push_back(
        CharacterToJson(record.id, record.name, charactersBase + record.file, record.layout, false));
  }

  return Json{{"reminders", std::move(reminders)},
              {"now", now},
              {"petName", petName_},
              {"soundEnabled", soundEnabled_},
              {"speechEnabled", speechEnabled_},
              {"financeWebsiteUrl", financeWebsiteUrl_},
              {"learningWebsiteUrl", learningWebsiteUrl_},
              {"workspaceTheme", workspaceTheme_},
              {"workspaceTextSize", workspaceTextSize_},
              {"openLastView", openLastView_},
              {"lastDashboardView", lastView_},
              {"lastToolCategory", lastCategory_},
              {"characters", std::move(characters)},
              {"activeCharacterId", activeCharacterId_}};
}

}  // namespace nubo
