#pragma once

// Keys of the app_settings table. Booleans are stored as "1" and "0".
namespace nubo::settings_keys {

inline constexpr char kPetName[] = "pet.name";
inline constexpr char kPetX[] = "pet.x";
inline constexpr char kPetY[] = "pet.y";
inline constexpr char kSound[] = "audio.sound";
inline constexpr char kSpeech[] = "audio.speech";
inline constexpr char kTheme[] = "workspace.theme";
inline constexpr char kTextSize[] = "workspace.textSize";
inline constexpr char kOpenLastView[] = "workspace.openLastView";
inline constexpr char kLastView[] = "workspace.lastView";
inline constexpr char kLastCategory[] = "workspace.lastCategory";
inline constexpr char kShortcuts[] = "workspace.shortcuts";
inline constexpr char kCharacterList[] = "characters.list";
inline constexpr char kActiveCharacter[] = "characters.active";
inline constexpr char kPackagedGirlDefaultApplied[] = "characters.packagedGirlDefaultApplied";

}  // namespace nubo::settings_keys

namespace nubo::settings_defaults {

inline constexpr char kPetName[] = "可爱朵朵";
inline constexpr char kTheme[] = "warm";
inline constexpr char kTextSize[] = "comfortable";
inline constexpr char kLastView[] = "today";

// The pet's name, stored or sent: at most this many code points.
inline constexpr unsigned kPetNameMaxCodePoints = 16;

}  // namespace nubo::settings_defaults
