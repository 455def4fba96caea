#include "tests/datatools/image/image_test_helpers.h"

#include <cwchar>

namespace nubo::testing {

std::string Base64(const std::string& bytes) {
  static const char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string text;
  text.reserve((bytes.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    const uint32_t block = (static_cast<unsigned char>(bytes[i]) << 16) |
                           (static_cast<unsigned char>(bytes[i + 1]) << 8) |
                           static_cast<unsigned char>(bytes[i + 2]);
    for (int shift = 18; shift >= 0; shift -= 6) text.push_back(kAlphabet[(block >> shift) & 63]);
  }
  const size_t rest = bytes.size() - i;
  if (rest > 0) {
    uint32_t block = static_cast<unsigned char>(bytes[i]) << 16;
    if (rest == 2) block |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    text.push_back(kAlphabet[(block >> 18) & 63]);
    text.push_back(kAlphabet[(block >> 12) & 63]);
    text.push_back(rest == 2 ? kAlphabet[(block >> 6) & 63] : '=');
    text.push_back('=');
  }
  return text;
}

std::string SignedImage(const std::string& format, size_t length) {
  std::string bytes;
  if (format == "png") bytes.assign("\x89PNG\r\n\x1A\n", 8);
  if (format == "jpeg") bytes.assign("\xFF\xD8\xFF", 3);
  if (format == "webp") bytes.assign("RIFF\x10\x00\x00\x00WEBPVP8 ", 16);
  for (size_t i = bytes.size(); i < length; ++i) bytes.push_back(static_cast<char>(i * 31 + 7));
  bytes.resize(length);
  return bytes;
}

std::string DataUrl(const std::string& mime, const std::string& bytes) {
  return "data:image/" + mime + ";base64," + Base64(bytes);
}

SaveImageDialog FakeSaveDialog::Dialog() {
  return [this](HWND ownerWindow, const wchar_t* shownFormat, const wchar_t* shownName,
                wchar_t* buffer, uint64_t units) {
    ++calls;
    owner = ownerWindow;
    format = shownFormat;
    initialName = shownName != nullptr ? shownName : L"";
    bufferUnits = units;
    if (answer == 1) std::wcsncpy(buffer, chosen.c_str(), static_cast<size_t>(units) - 1);
    return answer;
  };
}

}  // namespace nubo::testing
