// The four "character." requests of the front end. Each leaves the wardrobe,
// the active character, the stored settings and the Characters folder as they
// were when it fails.
#include <algorithm>
#include <stdexcept>
#include <string>

#include "app/application.h"
#include "characters/character_texts.h"
#include "characters/data_url.h"
#include "characters/ico_writer.h"
#include "store/file_utils.h"
#include "store/text_convert.h"
#include "ui_bridge/field_readers.h"
#include "ui_bridge/messages.h"

namespace nubo {
namespace {

namespace texts = character_texts;

}  // namespace

void Application::RestoreWardrobe(std::vector<CharacterRecord> characters, std::string activeId) {
  characters_ = std::move(characters);
  activeCharacterId_ = std::move(activeId);
  // The failed step may already have stored part of the change.
  try {
    SaveCharacters();
  } catch (const std::exception&) {
  }
}

void Application::OnCharacterUpload(const Json& payload) {
  const std::string name = ReadTextOr(payload, "name", "");
  const std::string layout = ReadTextOr(payload, "layout", texts::kLayoutSingle);
  const std::string dataUrl = ReadTextOr(payload, "dataUrl", "");
  if (!wardrobeLoaded_) throw std::runtime_error(texts::kWardrobeUnreadable);
  if (characters_.size() >= texts::kMaxCustomCharacters) {
    throw std::runtime_error(texts::kWardrobeFull);
  }
  if (!IsValidDisplayName(name, texts::kNameMaxCodePoints)) throw std::runtime_error(texts::kBadName);
  if (layout != texts::kLayoutSingle && layout != texts::kLayoutSheet) {
    throw std::runtime_error(texts::kBadLayout);
  }
  const DecodedCharacterImage image = DecodeCharacterImageDataUrl(dataUrl);

  std::string id = texts::kIdPrefix + std::to_string(NowMilliseconds());
  for (int n = 1; IsKnownCharacterId(id); ++n) {
    id = texts::kIdPrefix + std::to_string(NowMilliseconds()) + "-" + std::to_string(n);
  }
  const std::string file = id + image.extension;
  const std::wstring picture = JoinPath(charactersFolder_, Utf8ToUtf16(file));
  const std::wstring temporary = picture + texts::kUploadingSuffix;
  WriteThroughTemporary(temporary, picture, [&] {
    WriteFileComplete(temporary, image.bytes.data(), image.bytes.size());
  });

  std::vector<CharacterRecord> previous = characters_;
  std::string previousActive = activeCharacterId_;
  try {
    characters_.push_back(CharacterRecord{id, name, file, layout});
    activeCharacterId_ = id;
    SaveCharacters();
    SendStateSync(nullptr);
  } catch (...) {
    RestoreWardrobe(std::move(previous), std::move(previousActive));
    DeleteFileQuietly(picture);
    throw;
  }
}

void Application::OnCharacterActivate(const Json& payload) {
  const std::string id = ReadTextOr(payload, "id", "");
  if (!IsKnownCharacterId(id)) throw std::runtime_error(texts::kCharacterNotFound);
  std::string previousActive = activeCharacterId_;
  try {
    activeCharacterId_ = id;
    SaveCharacters();
    SendStateSync(nullptr);
  } catch (...) {
    RestoreWardrobe(characters_, std::move(previousActive));
    throw;
  }
  Broadcast(MakeMessage(texts::kPetActionType, Json{{"action", texts::kWaveAction}}));
}

void Application::OnCharacterIconUpdate(const Json& payload) {
  const std::string id = ReadTextOr(payload, "id", "");
  if (id != activeCharacterId_ || !IsValidIdentifier(id)) return;
  const DecodedCharacterImage image = DecodeCharacterImageDataUrl(ReadTextOr(payload, "dataUrl", ""));
  if (image.extension != texts::kPngExtension) throw std::runtime_error(texts::kIconMustBePng);

  const std::wstring icon = CharacterIconPath(id);
  const std::wstring temporary = icon + texts::kUpdatingSuffix;
  WriteThroughTemporary(temporary, icon, [&] {
    if (!WriteIcoFile(temporary.c_str(), image.bytes.data(), image.bytes.size())) {
      throw std::runtime_error(texts::kIconWriteFailed);
    }
  });
  ApplyAssistantIcon(icon);
}

void Application::OnCharacterDelete(const Json& payload) {
  const std::string id = ReadTextOr(payload, "id", "");
  const auto found = std::find_if(characters_.begin(), characters_.end(),
                                  [&](const CharacterRecord& record) { return record.id == id; });
  if (found == characters_.end()) throw std::runtime_error(texts::kCannotDelete);

  std::vector<CharacterRecord> previous = characters_;
  std::string previousActive = activeCharacterId_;
  const std::wstring picture = JoinPath(charactersFolder_, Utf8ToUtf16(found->file));
  characters_.erase(found);
  if (activeCharacterId_ == id) activeCharacterId_ = DefaultCharacterId();
  try {
    SaveCharacters();
  } catch (...) {
    RestoreWardrobe(std::move(previous), std::move(previousActive));
    throw;
  }
  // The icon file stays: only the picture belongs to the record.
  DeleteFileQuietly(picture);
  SendStateSync(nullptr);
}

}  // namespace nubo
