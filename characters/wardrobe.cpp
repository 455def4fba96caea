// The wardrobe as the settings hold it: read at start-up, stored after every
// change, and the rules that say which character ids exist.
#include <optional>
#include <string>
#include <vector>

#include "app/application.h"
#include "characters/character_texts.h"
#include "characters/file_compare.h"
#include "store/file_utils.h"
#include "store/settings_keys.h"
#include "store/text_convert.h"
#include "ui_bridge/field_readers.h"
#include "ui_bridge/messages.h"

namespace nubo {
namespace {

namespace keys = settings_keys;
namespace texts = character_texts;

// A text member of a stored record: missing gives the fallback; a member of
// another JSON type gives nothing, which skips the record.
std::optional<std::string> StoredText(const Json& record, const char* key, const char* fallback) {
  const auto it = record.find(key);
  if (it == record.end()) return std::string(fallback);
  if (!it->is_string()) return std::nullopt;
  return it->get<std::string>();
}

bool IsLayout(std::string_view layout) {
  return layout == texts::kLayoutSingle || layout == texts::kLayoutSheet;
}

// The record when every member passes its rule, else nothing.
std::optional<CharacterRecord> ReadStoredRecord(const Json& element) {
  if (!element.is_object()) return std::nullopt;
  const auto id = StoredText(element, "id", "");
  const auto name = StoredText(element, "name", "");
  const auto file = StoredText(element, "fileName", "");
  const auto layout = StoredText(element, "layout", texts::kLayoutSingle);
  if (!id || !name || !file || !layout) return std::nullopt;
  if (!IsValidIdentifier(*id) || !IsValidDisplayName(*name, texts::kNameMaxCodePoints) ||
      !IsLayout(*layout)) {
    return std::nullopt;
  }
  // A NUL would make the path that is opened differ from the stored name.
  if (file->find('\0') != std::string::npos || !IsValidFileName(Utf8ToUtf16(*file))) {
    return std::nullopt;
  }
  return CharacterRecord{*id, *name, *file, *layout};
}

}  // namespace

bool Application::HasPackagedDefaultCharacter() const {
  return FileExists(JoinPath(uiFolder_, texts::kPackagedGirlPicture));
}

std::string Application::DefaultCharacterId() const {
  return HasPackagedDefaultCharacter() ? texts::kPackagedGirlId : texts::kBuiltinId;
}

bool Application::IsKnownCharacterId(std::string_view id) const {
  if (id == texts::kBuiltinId) return true;
  if (id == texts::kPackagedGirlId) return HasPackagedDefaultCharacter();
  for (const CharacterRecord& record : characters_) {
    if (record.id == id) return true;
  }
  return false;
}

std::wstring Application::CharacterIconPath(std::string_view id) const {
  return JoinPath(charactersFolder_,
                  texts::kIconFilePrefix + Utf8ToUtf16(id) + texts::kIconFileExtension);
}

void Application::LoadCharacters() {
  characters_.clear();
  wardrobeLoaded_ = false;
  const std::wstring packagedPicture = JoinPath(uiFolder_, texts::kPackagedGirlPicture);
  const bool hasPackaged = FileExists(packagedPicture);

  // Stored copies of the packaged picture, dropped from the list.
  std::vector<std::wstring> leftovers;
  const auto stored = store_.GetSetting(keys::kCharacterList);
  if (stored && !stored->empty()) {
    const Json list = Json::parse(*stored);
    if (list.is_array()) {
      for (const Json& element : list) {
        if (characters_.size() == texts::kMaxCustomCharacters) break;
        std::optional<CharacterRecord> record = ReadStoredRecord(element);
        if (!record) continue;
        const std::wstring picture = JoinPath(charactersFolder_, Utf8ToUtf16(record->file));
        if (!FileExists(picture)) continue;
        if (hasPackaged && FilesHaveSameContent(picture, packagedPicture)) {
          leftovers.push_back(picture);
          leftovers.push_back(CharacterIconPath(record->id));
          continue;
        }
        characters_.push_back(std::move(*record));
      }
    }
  }
  wardrobeLoaded_ = true;

  const std::string storedActive = store_.GetSetting(keys::kActiveCharacter).value_or("");
  const bool activeIsKnown = IsKnownCharacterId(storedActive);
  if (hasPackaged && store_.GetSetting(keys::kPackagedGirlDefaultApplied) != texts::kAppliedFlag) {
    activeCharacterId_ =
        activeIsKnown && storedActive != texts::kBuiltinId ? storedActive : texts::kPackagedGirlId;
    store_.PutSetting(keys::kActiveCharacter, activeCharacterId_);
    store_.PutSetting(keys::kPackagedGirlDefaultApplied, texts::kAppliedFlag);
  } else {
    activeCharacterId_ = activeIsKnown ? storedActive : DefaultCharacterId();
  }

  if (!leftovers.empty()) {
    SaveCharacters();
    // The list no longer names them: a file that stays behind harms nothing,
    // so it must not cost the wardrobe that was just read.
    for (const std::wstring& path : leftovers) {
      try {
        DeleteFileIfExists(path);
      } catch (const std::exception&) {
      }
    }
  }
}

void Application::SaveCharacters() {
  if (wardrobeLoaded_) {
    Json list = Json::array();
    for (const CharacterRecord& record : characters_) {
      list.push_back(Json{{"id", record.id},
                          {"name", record.name},
                          {"fileName", record.file},
                          {"layout", record.layout}});
    }
    store_.PutSetting(keys::kCharacterList, SerializeMessage(list));
  }
  store_.PutSetting(keys::kActiveCharacter, activeCharacterId_);
}

}  // namespace nubo
