#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "characters/character_record.h"
#include "characters/character_texts.h"

namespace nubo {

class ReminderStore;

// Told inside a change: when telling fails, the change is rolled back.
class WardrobeListener {
 public:
  virtual void OnWardrobeChanged() = 0;

 protected:
  ~WardrobeListener() = default;
};

// The character wardrobe: the custom characters, the active one and whether
// the stored list was read, kept in the settings. Each change leaves the
// wardrobe, the active character, the stored settings and the Characters
// folder as they were when it fails (and then throws the user's sentence).
class Wardrobe {
 public:
  // The folders are read when used, so the owner may fill them later.
  Wardrobe(ReminderStore& store, const std::wstring& uiFolder, const std::wstring& charactersFolder,
           WardrobeListener& listener);

  const std::vector<CharacterRecord>& Characters() const { return characters_; }
  const std::string& ActiveId() const { return activeId_; }
  bool HasPackagedDefaultCharacter() const;
  std::string DefaultCharacterId() const;
  bool IsKnownCharacterId(std::string_view id) const;
  std::wstring CharacterIconPath(std::string_view id) const;

  // Removes the temporary files that an interrupted upload or icon update left
  // in the Characters folder; no other file is touched.
  void RemoveLeftoverTemporaries() const;
  // Reads the stored wardrobe; throws when the stored list is not JSON.
  void Load();
  // After a failed read: nothing loaded, so nothing is ever stored over it.
  void ForgetStored();
  // Stores the list (only once the stored wardrobe was read), then the active id.
  void Save();

  // The "character." requests.
  void Upload(const std::string& name, std::string_view layout, const std::string& dataUrl);
  void Activate(const std::string& id);
  // Whether an icon sent for id is for the active character (else it is ignored).
  bool IsIconFor(std::string_view id) const;
  // Writes the icon file of the active character and gives its path.
  std::wstring WriteIcon(const std::string& id, const std::string& dataUrl);
  void Delete(const std::string& id);

 private:
  void Restore(std::vector<CharacterRecord> characters, std::string activeId);

  ReminderStore& store_;
  const std::wstring& uiFolder_;
  const std::wstring& charactersFolder_;
  WardrobeListener& listener_;
  std::vector<CharacterRecord> characters_;
  std::string activeId_{character_texts::kBuiltinId};
  bool loaded_ = false;
};

}  // namespace nubo
