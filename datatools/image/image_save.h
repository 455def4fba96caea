#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "datatools/dialogs/file_dialog_seam.h"

namespace nubo {

struct ImageSaveResult {
  bool cancelled = false;
  std::string path;        // UTF-8; empty when cancelled
  uint64_t sizeBytes = 0;  // of the written file; 0 when cancelled or unreadable
};

// Checks the data URL against the format, decodes it, asks for a path with
// the save dialog (owned by owner) and writes the file through a temporary
// ".converting" file moved over the target. Every check runs before the
// dialog opens. When the appended extension names a file that exists, which
// the dialog never asked about, askReplace decides: "no" answers as a
// cancelled save. Throws a standard runtime error with the user's text.
ImageSaveResult SaveConvertedImage(HWND owner, std::string_view dataUrl, std::string_view format,
                                   std::string_view suggestedBaseName,
                                   const SaveImageDialog& showDialog = ShowSaveImageDialog,
                                   const ReplaceQuestion& askReplace = AskToReplaceFile);

}  // namespace nubo
