#pragma once

#include <string>

namespace nubo {

// One custom character of the wardrobe.
struct CharacterRecord {
  std::string id;
  std::string name;
  std::string file;    // the picture's file name in the Characters folder
  std::string layout;  // "single" or "sheet"
};

}  // namespace nubo
