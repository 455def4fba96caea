#pragma once

#include <windows.h>
#include <objbase.h>

#include <string>
#include <string_view>

namespace nubo {

// Decimal numbers joined by ":": volume serial, file index high and low,
// creation time high and low, 1 for a folder / 0 for a file, and for a file
// last-write time high and low and size high and low. Empty when the object
// is missing, unreadable, a reparse point or reached through another path.
std::wstring GetFileIdentity(std::wstring_view path);

// The normalised final path of an open file or folder with its drive letter,
// without the "\\?\" prefix; empty on failure.
std::wstring FinalPathOfHandle(HANDLE file);

// The canonical local target of a shortcut file, or empty.
std::wstring ResolveShortcutTarget(std::wstring_view shortcutPath);

// Undoes a COM apartment initialisation that succeeded (S_FALSE included).
class ComApartmentScope {
 public:
  explicit ComApartmentScope(HRESULT initialisation) : initialised_(SUCCEEDED(initialisation)) {}
  ~ComApartmentScope() {
    if (initialised_) CoUninitialize();
  }
  ComApartmentScope(const ComApartmentScope&) = delete;
  ComApartmentScope& operator=(const ComApartmentScope&) = delete;

 private:
  bool initialised_;
};

}  // namespace nubo
