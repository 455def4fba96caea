#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "datatools/dialogs/file_dialog_seam.h"

namespace nubo::testing {

// Bytes that start with the format's signature ("png", "jpeg", "webp"),
// padded to length.
std::string SignedImage(const std::string& format, size_t length);

// "data:image/<mime>;base64," + Base64Encode(bytes).
std::string DataUrl(const std::string& mime, const std::string& bytes);

// Stands in for the save dialog: records what it was shown and answers with
// `answer`, writing `chosen` into the buffer when it answers 1.
struct FakeSaveDialog {
  int answer = 1;
  std::wstring chosen;
  int calls = 0;
  HWND owner = nullptr;
  std::wstring format;
  std::wstring initialName;
  uint64_t bufferUnits = 0;

  SaveImageDialog Dialog();

  // Stands in for the question before replacing a file the dialog did not
  // name: records it and answers with `replaceAnswer`.
  int replaceAnswer = 1;
  int questions = 0;
  std::wstring askedPath;
  HWND askedOwner = nullptr;

  ReplaceQuestion Question();
};

}  // namespace nubo::testing
