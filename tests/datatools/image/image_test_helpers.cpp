#include "tests/datatools/image/image_test_helpers.h"

#include <algorithm>
#include <cwchar>

#include "tests/characters/picture_bytes.h"

namespace nubo::testing {

std::string SignedImage(const std::string& format, size_t length) {
  if (format == "png") return MakePngSignedBytes(length);
  if (format == "webp") return MakeWebpBytes(length);
  std::string bytes("\xFF\xD8\xFF", 3);
  bytes.resize(std::max<size_t>(length, bytes.size()), 'j');
  return bytes;
}

std::string DataUrl(const std::string& mime, const std::string& bytes) {
  return "data:image/" + mime + ";base64," + Base64Encode(bytes);
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

ReplaceQuestion FakeSaveDialog::Question() {
  return [this](HWND ownerWindow, const wchar_t* path) {
    ++questions;
    askedOwner = ownerWindow;
    askedPath = path;
    return replaceAnswer;
  };
}

}  // namespace nubo::testing
