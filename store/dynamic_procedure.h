#pragma once

#include <windows.h>

#include <cstring>

namespace nubo {

// Looks a function up at run time in a module the process has already
// loaded, so that a missing export (older systems, Wine) leaves the program
// loadable. Null when the module or the export is missing.
template <typename Function>
Function FindLoadedProcedure(const wchar_t* moduleName, const char* procedureName) {
  const HMODULE module = GetModuleHandleW(moduleName);
  if (module == nullptr) return nullptr;
  const FARPROC address = GetProcAddress(module, procedureName);
  if (address == nullptr) return nullptr;
  static_assert(sizeof(Function) == sizeof(address));
  Function function = nullptr;
  std::memcpy(&function, &address, sizeof(function));
  return function;
}

}  // namespace nubo
