#include "datatools/image/suggested_name.h"

#include "datatools/image/image_formats.h"
#include "datatools/image/image_texts.h"
#include "store/text_convert.h"

namespace nubo {
namespace {

constexpr std::string_view kForbiddenCharacters = "\"*/:<>?\\|";

bool IsHighSurrogate(wchar_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }

}  // namespace

std::wstring SuggestedImageFileName(std::string_view baseName, std::string_view format) {
  std::string kept;
  kept.reserve(baseName.size());
  for (char c : baseName) {
    if (static_cast<unsigned char>(c) < 0x20) continue;
    if (kForbiddenCharacters.find(c) != std::string_view::npos) continue;
    kept.push_back(c);
  }
  if (kept.empty()) kept = image_texts::kDefaultBaseName;

  std::wstring name = Utf8ToUtf16(kept);
  if (name.size() > image_texts::kMaxSuggestedNameUnits) {
    size_t cut = image_texts::kMaxSuggestedNameUnits;
    // Keep a pair whole: drop its first half rather than leave it alone.
    if (IsHighSurrogate(name[cut - 1])) --cut;
    name.resize(cut);
  }
  return name + ImageFormatExtension(format);
}

}  // namespace nubo
