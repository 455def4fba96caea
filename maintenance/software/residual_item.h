#pragma once

#include <cstdint>
#include <string>

namespace nubo {

// One leftover path of a program: a folder or a shortcut. Texts in UTF-8.
struct ResidualItem {
  std::string path;        // canonical local path
  std::string targetPath;  // a shortcut's target at scan time; empty for folders
  std::string label;       // where it was found
  std::string kind;        // "program", "personal" or "shortcut"
  std::string evidence;    // why it belongs to the program
  std::string confidence;  // "high" or "medium"
  uint64_t sizeBytes = 0;
  uint32_t itemCount = 0;
  bool sizeTruncated = false;
  bool defaultSelected = false;
  bool personalData = false;
  std::wstring identity;  // GetFileIdentity at scan time; never sent to the front end
};

}  // namespace nubo
