#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "maintenance/software/software_inventory.h"

namespace nubo {

struct IdentityFragment {
  std::wstring key;        // normalised name
  std::string evidence;    // shown to the user
  std::string confidence;  // "high" or "medium"
};
using FragmentList = std::vector<IdentityFragment>;

struct ProductIdentity {
  FragmentList productFragments;
  FragmentList publisherFragments;
};

struct RegistrationIdentity {
  std::wstring mainExecutable;   // canonical, empty unless it has an identity
  std::wstring installLocation;  // canonical, empty unless it has an identity and is not protected
  FragmentList fragments;
};

std::wstring NormalizeNameKey(std::wstring_view text);
std::vector<std::wstring> SplitNameTokens(std::wstring_view text);
// "Example Tool 3.2 (x64)" -> "Example Tool".
std::wstring TrimDisplayNameSuffix(std::wstring_view text);
// The file name cut at its first ".".
std::wstring FileStem(std::wstring_view path);
// A string of the file's version resource in its first translation, or empty.
std::wstring ReadVersionString(std::wstring_view file, std::wstring_view name);

void AddIdentityFragment(FragmentList& list, std::wstring_view name, std::string_view evidence,
                         std::string_view confidence);
void AddNameFragments(FragmentList& list, std::wstring_view name, std::string_view evidence,
                      std::string_view confidence);
const IdentityFragment* FindIdentityFragment(std::wstring_view name, const FragmentList& list);

ProductIdentity CollectProductIdentity(const RegisteredSoftware& program);
RegistrationIdentity CollectRegistryIdentity(const RegisteredSoftware& program);
bool IsProductShortcutTarget(std::wstring_view target, const RegistrationIdentity& identity);

}  // namespace nubo
