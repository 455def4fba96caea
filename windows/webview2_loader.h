#pragma once

#include "windows/webview2_interfaces.h"

namespace nubo {

// Finds the environment entry of the WebView2 loader library fileName, looked
// for only beside the program and in the system folder (never the current
// folder or PATH). The library found stays loaded for the life of the
// process. A missing library or entry answers HRESULT_FROM_WIN32 of the
// system's error.
HRESULT FindWebView2Loader(const wchar_t* fileName,
                           CreateCoreWebView2EnvironmentWithOptionsFunction& entry);

}  // namespace nubo
