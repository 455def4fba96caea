#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace nubo {

// Windows Installer keeps a product or component code packed: the first
// three groups reversed, the last two swapped digit pair by digit pair.
// "{1A2B3C4D-5E6F-4A01-8B02-9C0D1E2F3A4B}" -> "D4C3B2A1F6E510A4B820C9D0E1F2A3B4";
// empty for a text that is not a braced code.
std::wstring PackInstallerCode(std::wstring_view code);

struct InstallerFolders {
  // By product code (as given): the product's InstallLocation property, else
  // the folders of its installed components that are drive paths. A product
  // without either is absent.
  std::map<std::wstring, std::vector<std::wstring>> byProduct;
  bool complete = true;  // false when keepGoing stopped the read
};

// Reads Windows Installer's own records of the products, for every user it
// keeps them for. keepGoing is asked while the component records are walked.
InstallerFolders ReadInstallerFolders(const std::vector<std::wstring>& productCodes,
                                      const std::function<bool()>& keepGoing);

}  // namespace nubo
