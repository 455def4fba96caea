#pragma once

#include <string_view>

namespace nubo {

// Moves the path to the Recycle Bin with the Shell's undoable file
// operation, without any window. True only when every step succeeded,
// nothing was aborted and the path is gone. Never deletes for good: there
// is deliberately no older fallback, which deletes outright where no
// Recycle Bin exists.
bool MoveToRecycleBin(std::wstring_view path);

}  // namespace nubo
