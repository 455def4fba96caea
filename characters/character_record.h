#pragma once

#include <string>

#include "characters/pet_layout.h"

namespace nubo {

// One custom character of the wardrobe.
struct CharacterRecord {
  std::string id;
  std::string name;
  std::string file;  // the picture's file name in the Characters folder
  PetLayout layout = PetLayout::kSingle;
};

}  // namespace nubo
