#pragma once

#include "windows/desktop_shell.h"

namespace nubo {

// The start-up failure box: "启动失败：" and the failure's text. A quit
// message left behind by a destroyed pet window is dropped first, or it would
// close the box before the user could read it.
void ShowStartupFailure(DesktopShell& shell, const char* text);

}  // namespace nubo
