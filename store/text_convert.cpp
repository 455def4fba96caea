#include "store/text_convert.h"

#include <windows.h>

#include <climits>
#include <stdexcept>

namespace nubo {
namespace {

constexpr char kUtf8ToUtf16Failed[] = "Unable to convert UTF-8 text to UTF-16.";
constexpr char kUtf16ToUtf8Failed[] = "Unable to convert UTF-16 text to UTF-8.";

// Replaces unpaired surrogates with U+FFFD ourselves so the result does not
// depend on how a given system conversion treats them.
std::wstring ReplaceUnpairedSurrogates(std::wstring_view text) {
  std::wstring clean(text);
  for (size_t i = 0; i < clean.size(); ++i) {
    const wchar_t unit = clean[i];
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      if (i + 1 < clean.size() && clean[i + 1] >= 0xDC00 && clean[i + 1] <= 0xDFFF) {
        ++i;
      } else {
        clean[i] = 0xFFFD;
      }
    } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
      clean[i] = 0xFFFD;
    }
  }
  return clean;
}

}  // namespace

std::wstring Utf8ToUtf16(std::string_view text) {
  if (text.empty()) return {};
  if (text.size() > static_cast<size_t>(INT_MAX)) throw std::runtime_error(kUtf8ToUtf16Failed);
  const int inputLength = static_cast<int>(text.size());
  const int needed =
      MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), inputLength, nullptr, 0);
  if (needed < 1) throw std::runtime_error(kUtf8ToUtf16Failed);
  std::wstring result(static_cast<size_t>(needed), L'\0');
  const int written = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), inputLength,
                                          result.data(), needed);
  if (written != needed) throw std::runtime_error(kUtf8ToUtf16Failed);
  return result;
}

std::string Utf16ToUtf8(std::wstring_view original) {
  if (original.empty()) return {};
  const std::wstring clean = ReplaceUnpairedSurrogates(original);
  const std::wstring_view text(clean);
  if (text.size() > static_cast<size_t>(INT_MAX)) throw std::runtime_error(kUtf16ToUtf8Failed);
  const int inputLength = static_cast<int>(text.size());
  const int needed =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), inputLength, nullptr, 0, nullptr, nullptr);
  if (needed < 1) throw std::runtime_error(kUtf16ToUtf8Failed);
  std::string result(static_cast<size_t>(needed), '\0');
  const int written = WideCharToMultiByte(CP_UTF8, 0, text.data(), inputLength, result.data(),
                                          needed, nullptr, nullptr);
  if (written != needed) throw std::runtime_error(kUtf16ToUtf8Failed);
  return result;
}

}  // namespace nubo
