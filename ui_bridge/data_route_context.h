#pragma once

#include <windows.h>

#include <string>

#include "datatools/dialogs/dialog_gate.h"
#include "datatools/dialogs/file_dialog_seam.h"

namespace nubo {

// What the database and image routes need from the application: the file
// open in the database browser (UTF-16, empty when none; the application's
// own member), the sending window as the owner of dialogs, the dialogs
// themselves and the application's one dialog gate.
struct DataRouteContext {
  std::wstring& currentDatabasePath;
  HWND owner;
  const FileDialogs& dialogs;
  DialogGate& dialogGate;
};

}  // namespace nubo
