#include "datatools/image/image_formats.h"

#include <windows.h>

#include <cstring>
#include <stdexcept>

#include "characters/base64_picture.h"
#include "datatools/image/image_texts.h"
#include "store/text_convert.h"

namespace nubo {
namespace {

struct FormatEntry {
  std::string_view name;
  std::string_view dataUrlPrefix;
};

constexpr FormatEntry kFormats[] = {
    {"png", "data:image/png;base64,"},
    {"jpeg", "data:image/jpeg;base64,"},
    {"webp", "data:image/webp;base64,"},
    {"ico", "data:image/png;base64,"},
};

constexpr unsigned char kJpegSignature[] = {0xFF, 0xD8, 0xFF};

bool EndsWithIgnoringCase(const std::wstring& path, std::wstring_view suffix) {
  if (path.size() < suffix.size()) return false;
  const std::wstring tail = path.substr(path.size() - suffix.size());
  return _wcsicmp(tail.c_str(), std::wstring(suffix).c_str()) == 0;
}

}  // namespace

std::string ImageFormatDataUrlPrefix(std::string_view format) {
  for (const auto& entry : kFormats) {
    if (entry.name == format) return std::string(entry.dataUrlPrefix);
  }
  throw std::runtime_error(image_texts::kUnsupportedFormat);
}

std::wstring ImageFormatExtension(std::string_view format) {
  if (format == "jpeg") return L".jpg";
  return L"." + Utf8ToUtf16(format);
}

bool HasImageSignature(std::string_view format, const std::vector<unsigned char>& bytes) {
  if (format == "png" || format == "ico") return HasPngSignature(bytes);
  if (format == "jpeg") {
    return bytes.size() >= sizeof(kJpegSignature) &&
           std::memcmp(bytes.data(), kJpegSignature, sizeof(kJpegSignature)) == 0;
  }
  if (format == "webp") return HasWebpSignature(bytes);
  return false;
}

std::wstring WithImageExtension(const std::wstring& path, std::string_view format) {
  const std::wstring extension = ImageFormatExtension(format);
  if (EndsWithIgnoringCase(path, extension)) return path;
  if (format == "jpeg" && EndsWithIgnoringCase(path, L".jpeg")) return path;
  return path + extension;
}

}  // namespace nubo
