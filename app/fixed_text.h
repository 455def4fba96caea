#pragma once

#include <cstddef>
#include <string_view>

namespace nubo {

// Copies text into a fixed array, cut to fit with its terminator.
template <size_t N>
void CopyCut(wchar_t (&target)[N], std::wstring_view text) {
  static_assert(N > 0);
  size_t count = 0;
  while (count < text.size() && count < N - 1) {
    target[count] = text[count];
    ++count;
  }
  // A cut never separates the two halves of a surrogate pair.
  if (count < text.size() && count > 0 && target[count - 1] >= 0xD800 && target[count - 1] <= 0xDBFF) {
    --count;
  }
  target[count] = L'\0';
}

}  // namespace nubo
