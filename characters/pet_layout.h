#pragma once

#include <optional>
#include <string_view>

#include "characters/character_texts.h"

namespace nubo {

// How a character's picture is laid out, and so how the pet menu opens.
enum class PetLayout { kSingle, kSheet };

inline std::optional<PetLayout> ParsePetLayout(std::string_view text) {
  if (text == character_texts::kLayoutSingle) return PetLayout::kSingle;
  if (text == character_texts::kLayoutSheet) return PetLayout::kSheet;
  return std::nullopt;
}

// The layout's text in the front end's messages and the stored wardrobe.
inline std::string_view PetLayoutText(PetLayout layout) {
  switch (layout) {
    case PetLayout::kSingle:
      return character_texts::kLayoutSingle;
    case PetLayout::kSheet:
      return character_texts::kLayoutSheet;
  }
  return character_texts::kLayoutSingle;
}

}  // namespace nubo
