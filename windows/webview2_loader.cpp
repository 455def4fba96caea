#include "windows/webview2_loader.h"

namespace nubo {
namespace {

HRESULT LastError() {
  const DWORD error = GetLastError();
  return error != ERROR_SUCCESS ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

}  // namespace

HRESULT FindWebView2Loader(const wchar_t* fileName,
                           CreateCoreWebView2EnvironmentWithOptionsFunction& entry) {
  const HMODULE library = LoadLibraryExW(
      fileName, nullptr, LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (library == nullptr) return LastError();
  entry = reinterpret_cast<CreateCoreWebView2EnvironmentWithOptionsFunction>(
      reinterpret_cast<void*>(GetProcAddress(library, "CreateCoreWebView2EnvironmentWithOptions")));
  if (entry != nullptr) return S_OK;  // kept: the runtime runs its code until the process ends
  const HRESULT missing = LastError();
  FreeLibrary(library);
  return missing;
}

}  // namespace nubo
