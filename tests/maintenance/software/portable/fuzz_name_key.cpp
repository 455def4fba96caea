#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "maintenance/software/name_key.h"

// The tokens, lowered and joined, are the key; every key unit is a kept unit.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::u16string text(size / 2, u'\0');
  if (!text.empty()) std::memcpy(text.data(), data, text.size() * 2);
  const std::u16string key = nubo::NormalizeNameKey(text);
  std::u16string joined;
  for (const std::u16string& token : nubo::SplitNameTokens(text)) {
    if (token.empty()) std::abort();
    joined += nubo::NormalizeNameKey(token);
  }
  if (joined != key) std::abort();
  for (char16_t unit : key) {
    if (!nubo::IsNameKeyUnit(unit) || (unit >= u'A' && unit <= u'Z')) std::abort();
  }
  nubo::IsAcceptedNameKey(key);
  return 0;
}
