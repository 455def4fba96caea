#pragma once

#include <string>
#include <string_view>

namespace nubo {

// The dialog's initial file name: the base name without control bytes and
// the characters " * / : < > ? \ |, "converted-image" when nothing is left,
// cut to 80 UTF-16 units (never inside a surrogate pair), with the format's
// extension appended. Ill-formed UTF-8 raises the conversion's error.
std::wstring SuggestedImageFileName(std::string_view baseName, std::string_view format);

}  // namespace nubo
