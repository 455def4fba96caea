#pragma once

#include <windows.h>

#include <cstdint>

namespace nubo {

// The system's modal open and save dialogs. Each answers 1 when a path was
// chosen (written to buffer), 0 when the user cancelled and -1 on an error
// or a bad argument; they never throw. bufferUnits counts UTF-16 units and
// must be 4 to 4,294,967,295.

// Save dialog for a converted image; format is "png", "jpeg", "webp" or
// "ico"; initialName (may be null) is put in the buffer first, cut to fit.
int ShowSaveImageDialog(HWND owner, const wchar_t* format, const wchar_t* initialName,
                        wchar_t* buffer, uint64_t bufferUnits);

// Asks with a Yes/No box owned by owner whether the file at path, which the
// save dialog did not offer to replace, may be replaced: 1 yes, 0 no, -1 when
// the box could not be shown.
int AskToReplaceFile(HWND owner, const wchar_t* path);

// Save dialog for a new database (an existing file may be chosen without an
// overwrite prompt) when create is true, otherwise the open dialog.
int ShowDatabaseFileDialog(HWND owner, bool create, wchar_t* buffer, uint64_t bufferUnits);

}  // namespace nubo
