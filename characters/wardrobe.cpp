// The wardrobe as the settings hold it: read at start-up, stored after every
// change, and the rules that say which character ids exist.
#include <algorithm>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "characters/wardrobe.h"

#include <nlohmann/json.hpp>

#include "characters/character_limits.h"
#include "characters/character_texts.h"
#include "characters/data_url.h"
#include "characters/file_compare.h"
#include "characters/ico_writer.h"
#include "store/file_utils.h"
#include "store/reminder_store.h"
#include "store/settings_keys.h"
#include "store/text_convert.h"
#include "store/text_rules.h"
#include "store/win_handles.h"

namespace nubo {
namespace {

namespace keys = settings_keys;
namespace texts = character_texts;
using Json = nlohmann::json;

// A text member of a stored record: missing gives the fallback; a member of
// another JSON type gives nothing, which skips the record.
std::optional<std::string> StoredText(const Json& record, const char* key, std::string_view fallback) {
  const auto it = record.find(key);
  if (it == record.end()) return std::string(fallback);
  if (!it->is_string()) return std::nullopt;
  return it->get<std::string>();
}

// The record when every member passes its rule, else nothing.
std::optional<CharacterRecord> ReadStoredRecord(const Json& element) {
  if (!element.is_object()) return std::nullopt;
  const auto id = StoredText(element, "id", "");
  const auto name = StoredText(element, "name", "");
  const auto file = StoredText(element, "fileName", "");
  const auto layout = StoredText(element, "layout", texts::kLayoutSingle);
  if (!id || !name || !file || !layout) return std::nullopt;
  const std::optional<PetLayout> parsedLayout = ParsePetLayout(*layout);
  if (!IsValidIdentifier(*id) || !IsValidDisplayName(*name, character_limits::kNameMaxCodePoints) ||
      !parsedLayout) {
    return std::nullopt;
  }
  // A NUL would make the path that is opened differ from the stored name.
  if (file->find('\0') != std::string::npos || !IsValidFileName(Utf8ToUtf16(*file))) {
    return std::nullopt;
  }
  return CharacterRecord{*id, *name, *file, *parsedLayout};
}

// The PNG's signature is checked, its content is not: only the system's own
// loader tells whether the file will show as an icon.
bool IsLoadableIcon(const std::wstring& path) {
  const IconHandle icon(static_cast<HICON>(
      LoadImageW(nullptr, path.c_str(), IMAGE_ICON, 0, 0, LR_LOADFROMFILE | LR_DEFAULTSIZE)));
  return static_cast<bool>(icon);
}

// What the upload and the icon update write before moving into place (a
// number may stand before the suffix when the plain name was taken).
bool IsOwnTemporaryName(std::wstring_view name) {
  const bool ownPrefix = name.starts_with(texts::kPictureFilePrefix) || name.starts_with(texts::kIconFilePrefix);
  return ownPrefix && (name.ends_with(texts::kUploadingSuffix) || name.ends_with(texts::kUpdatingSuffix));
}

}  // namespace

Wardrobe::Wardrobe(ReminderStore& store, const std::wstring& uiFolder,
                   const std::wstring& charactersFolder, WardrobeListener& listener)
    : store_(store), uiFolder_(uiFolder), charactersFolder_(charactersFolder), listener_(listener) {}

bool Wardrobe::HasPackagedDefaultCharacter() const {
  return FileExists(JoinPath(uiFolder_, texts::kPackagedGirlPicture));
}

std::string Wardrobe::DefaultCharacterId() const {
  return std::string(HasPackagedDefaultCharacter() ? texts::kPackagedGirlId : texts::kBuiltinId);
}

bool Wardrobe::IsKnownCharacterId(std::string_view id) const {
  if (id == texts::kBuiltinId) return true;
  if (id == texts::kPackagedGirlId) return HasPackagedDefaultCharacter();
  for (const CharacterRecord& record : characters_) {
    if (record.id == id) return true;
  }
  return false;
}

std::wstring Wardrobe::CharacterIconPath(std::string_view id) const {
  return JoinPath(charactersFolder_,
                  texts::kIconFilePrefix + Utf8ToUtf16(id) + texts::kIconFileExtension);
}

void Wardrobe::RemoveLeftoverTemporaries() const {
  WIN32_FIND_DATAW entry{};
  const FindHandle search(FindFirstFileW(JoinPath(charactersFolder_, L"*").c_str(), &entry));
  if (!search) return;
  do {
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && IsOwnTemporaryName(entry.cFileName)) {
      DeleteFileQuietly(JoinPath(charactersFolder_, entry.cFileName));
    }
  } while (FindNextFileW(search.get(), &entry));
}

void Wardrobe::Load() {
  characters_.clear();
  loaded_ = false;
  const std::wstring packagedPicture = JoinPath(uiFolder_, texts::kPackagedGirlPicture);
  const bool hasPackaged = FileExists(packagedPicture);

  // Stored copies of the packaged picture, dropped from the list.
  std::vector<std::wstring> leftovers;
  const auto stored = store_.GetSetting(keys::kCharacterList);
  if (stored && !stored->empty()) {
    const Json list = Json::parse(*stored);
    if (list.is_array()) {
      for (const Json& element : list) {
        if (characters_.size() == character_limits::kMaxCustomCharacters) break;
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
  loaded_ = true;

  const std::string storedActive = store_.GetSetting(keys::kActiveCharacter).value_or("");
  const bool activeIsKnown = IsKnownCharacterId(storedActive);
  if (hasPackaged && store_.GetSetting(keys::kPackagedGirlDefaultApplied) != texts::kAppliedFlag) {
    activeId_ =
        activeIsKnown && storedActive != texts::kBuiltinId ? storedActive : std::string(texts::kPackagedGirlId);
    store_.PutSettings({{keys::kActiveCharacter, activeId_}, {keys::kPackagedGirlDefaultApplied, texts::kAppliedFlag}});
  } else {
    activeId_ = activeIsKnown ? storedActive : DefaultCharacterId();
  }

  if (!leftovers.empty()) {
    Save();
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

void Wardrobe::ForgetStored() {
  characters_.clear();
  loaded_ = false;
  activeId_ = DefaultCharacterId();
}

void Wardrobe::Save() {
  if (!loaded_) {
    store_.PutSetting(keys::kActiveCharacter, activeId_);
    return;
  }
  Json list = Json::array();
  for (const CharacterRecord& record : characters_) {
    list.push_back(Json{{"id", record.id},
                        {"name", record.name},
                        {"fileName", record.file},
                        {"layout", PetLayoutText(record.layout)}});
  }
  store_.PutSettings({{keys::kCharacterList, list.dump()}, {keys::kActiveCharacter, activeId_}});
}

// The requests.

void Wardrobe::Restore(std::vector<CharacterRecord> characters, std::string activeId) {
  characters_ = std::move(characters);
  activeId_ = std::move(activeId);
  // A failure after the change was stored (telling the listener) must not
  // leave it stored.
  try {
    Save();
  } catch (const std::exception&) {
  }
}

void Wardrobe::Upload(const std::string& name, std::string_view layoutText, const std::string& dataUrl) {
  if (!loaded_) throw std::runtime_error(std::string(texts::kWardrobeUnreadable));
  if (characters_.size() >= character_limits::kMaxCustomCharacters) {
    throw std::runtime_error(std::string(texts::kWardrobeFull));
  }
  if (!IsValidDisplayName(name, character_limits::kNameMaxCodePoints)) throw std::runtime_error(std::string(texts::kBadName));
  const std::optional<PetLayout> layout = ParsePetLayout(layoutText);
  if (!layout) throw std::runtime_error(std::string(texts::kBadLayout));
  const DecodedCharacterImage image = DecodeCharacterImageDataUrl(dataUrl);

  std::string id = std::string(texts::kIdPrefix) + std::to_string(NowMilliseconds());
  for (int n = 1; IsKnownCharacterId(id); ++n) {
    id = std::string(texts::kIdPrefix) + std::to_string(NowMilliseconds()) + "-" + std::to_string(n);
  }
  const std::string file = id + image.extension;
  const std::wstring picture = JoinPath(charactersFolder_, Utf8ToUtf16(file));
  WriteThroughTemporary(picture, texts::kUploadingSuffix, [&](const std::wstring& temporary) {
    WriteFileComplete(temporary, image.bytes.data(), image.bytes.size());
  });

  std::vector<CharacterRecord> previous = characters_;
  std::string previousActive = activeId_;
  try {
    characters_.push_back(CharacterRecord{id, name, file, *layout});
    activeId_ = id;
    Save();
    listener_.OnWardrobeChanged();
  } catch (...) {
    Restore(std::move(previous), std::move(previousActive));
    DeleteFileQuietly(picture);
    throw;
  }
}

void Wardrobe::Activate(const std::string& id) {
  if (!IsKnownCharacterId(id)) throw std::runtime_error(std::string(texts::kCharacterNotFound));
  std::string previousActive = activeId_;
  try {
    activeId_ = id;
    Save();
    listener_.OnWardrobeChanged();
  } catch (...) {
    Restore(characters_, std::move(previousActive));
    throw;
  }
}

bool Wardrobe::IsIconFor(std::string_view id) const { return id == activeId_ && IsValidIdentifier(id); }

std::wstring Wardrobe::WriteIcon(const std::string& id, const std::string& dataUrl) {
  const DecodedCharacterImage image = DecodeCharacterImageDataUrl(dataUrl);
  if (image.extension != texts::kPngExtension) throw std::runtime_error(std::string(texts::kIconMustBePng));

  const std::wstring icon = CharacterIconPath(id);
  WriteThroughTemporary(icon, texts::kUpdatingSuffix, [&](const std::wstring& temporary) {
    const std::runtime_error failed{std::string(texts::kIconWriteFailed)};
    if (!WriteIcoFile(temporary.c_str(), image.bytes.data(), image.bytes.size())) throw failed;
    if (!IsLoadableIcon(temporary)) {
      DeleteFileQuietly(temporary);
      throw failed;
    }
  });
  return icon;
}

void Wardrobe::Delete(const std::string& id) {
  const auto found = std::find_if(characters_.begin(), characters_.end(),
                                  [&](const CharacterRecord& record) { return record.id == id; });
  if (found == characters_.end()) throw std::runtime_error(std::string(texts::kCannotDelete));

  std::vector<CharacterRecord> previous = characters_;
  std::string previousActive = activeId_;
  const std::wstring picture = JoinPath(charactersFolder_, Utf8ToUtf16(found->file));
  characters_.erase(found);
  if (activeId_ == id) activeId_ = DefaultCharacterId();
  try {
    Save();
  } catch (...) {
    Restore(std::move(previous), std::move(previousActive));
    throw;
  }
  // The icon file stays: only the picture belongs to the record.
  DeleteFileQuietly(picture);
}

}  // namespace nubo
