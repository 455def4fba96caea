#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace nubo {

// The units a name key keeps: 0-9, A-Z, a-z and the CJK ideographs
// U+3400-U+9FFF and U+F900-U+FAFF.
bool IsNameKeyUnit(char16_t unit);
bool IsIdeographUnit(char16_t unit);

// The kept units in order, A-Z lowered: "Example App 2.0" -> "exampleapp20".
std::u16string NormalizeNameKey(std::u16string_view text);

// The maximal runs of kept units, in their own case: "Example App" -> Example, App.
std::vector<std::u16string> SplitNameTokens(std::u16string_view text);

// One of the generic words that never identify a product.
bool IsGenericNameKey(std::u16string_view key);

// Whether a normalised key may stand for a product or publisher: not empty,
// at least four units unless it holds an ideograph, and not generic.
bool IsAcceptedNameKey(std::u16string_view key);

}  // namespace nubo
