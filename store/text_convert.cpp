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

bool IsValidUtf8(std::string_view text) {
  size_t i = 0;
  const size_t size = text.size();
  while (i < size) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
      ++i;
      continue;
    }
    size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      if (lead == 0xE0) low = 0xA0;   // overlong
      if (lead == 0xED) high = 0x9F;  // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      if (lead == 0xF0) low = 0x90;   // overlong
      if (lead == 0xF4) high = 0x8F;  // above U+10FFFF
    } else {
      return false;
    }
    if (size - i < length) return false;
    const auto second = static_cast<unsigned char>(text[i + 1]);
    if (second < low || second > high) return false;
    for (size_t k = 2; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if (next < 0x80 || next > 0xBF) return false;
    }
    i += length;
  }
  return true;
}

}  // namespace nubo
