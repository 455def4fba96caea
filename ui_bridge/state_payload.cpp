#include "ui_bridge/state_payload.h"

#include <string>

#include "characters/character_texts.h"
#include "windows/window_constants.h"

namespace nubo {
namespace {

using Json = nlohmann::json;

using character_texts::kBuiltinId;
using character_texts::kPackagedGirlId;
constexpr char kGirlName[] = "粉色朵朵";
constexpr char kGirlPicture[] = "/assets/private-default-girl.png";
constexpr char kBuiltinName[] = "经典小鼠";
constexpr char kBuiltinPicture[] = "/assets/nubo-sprite.png";

Json CharacterToJson(std::string_view id, std::string_view name, const std::string& imageUrl,
                     PetLayout layout, bool builtIn) {
  return Json{{"id", id}, {"name", name}, {"imageUrl", imageUrl}, {"layout", PetLayoutText(layout)},
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

Json WardrobeToJson(const Wardrobe& wardrobe) {
  const std::string uiBase = std::string("https://") + kUiHostUtf8;
  const std::string charactersBase = std::string("https://") + kCharactersHostUtf8 + "/";
  Json characters = Json::array();
  if (wardrobe.HasPackagedDefaultCharacter()) {
    characters.push_back(
        CharacterToJson(kPackagedGirlId, kGirlName, uiBase + kGirlPicture, PetLayout::kSingle, true));
  }
  characters.push_back(CharacterToJson(kBuiltinId, kBuiltinName, uiBase + kBuiltinPicture, PetLayout::kSheet, true));
  for (const CharacterRecord& record : wardrobe.Characters()) {
    characters.push_back(
        CharacterToJson(record.id, record.name, charactersBase + record.file, record.layout, false));
  }
  return characters;
}

}  // namespace nubo
