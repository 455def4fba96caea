#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>

#include "datatools/dialogs/file_dialogs.h"

namespace nubo {

// The dialogs as the routes call them; tests put their own answers here.
using SaveImageDialog = std::function<int(HWND owner, const wchar_t* format,
                                          const wchar_t* initialName, wchar_t* buffer,
                                          uint64_t bufferUnits)>;
using ReplaceQuestion = std::function<int(HWND owner, const wchar_t* path)>;
using DatabaseFileDialog =
    std::function<int(HWND owner, bool create, wchar_t* buffer, uint64_t bufferUnits)>;

struct FileDialogs {
  SaveImageDialog saveImage = ShowSaveImageDialog;
  ReplaceQuestion replaceImage = AskToReplaceFile;
  DatabaseFileDialog databaseFile = ShowDatabaseFileDialog;
};

}  // namespace nubo
