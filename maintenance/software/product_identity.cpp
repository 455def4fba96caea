#include "maintenance/software/product_identity.h"

#include <windows.h>

#include <algorithm>
#include <cwctype>
#include <vector>

#include "maintenance/software/file_identity.h"
#include "maintenance/software/name_key.h"
#include "maintenance/software/path_rules.h"
#include "maintenance/software/software_limits.h"
#include "maintenance/software/software_texts.h"
#include "store/text_convert.h"

namespace nubo {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "name keys are UTF-16");

std::u16string_view AsUtf16(std::wstring_view text) {
  return {reinterpret_cast<const char16_t*>(text.data()), text.size()};
}

std::wstring AsWide(std::u16string_view text) { return {reinterpret_cast<const wchar_t*>(text.data()), text.size()}; }

bool HoldsKey(const FragmentList& list, const std::wstring& key) {
  return std::any_of(list.begin(), list.end(), [&](const IdentityFragment& f) { return f.key == key; });
}

void RemoveKeysOf(FragmentList& list, const FragmentList& others) {
  std::erase_if(list, [&](const IdentityFragment& f) { return HoldsKey(others, f.key); });
}

std::string Joined(std::string_view evidence, std::string_view suffix) {
  return std::string(evidence) + std::string(suffix);
}

}  // namespace

std::wstring NormalizeNameKey(std::wstring_view text) { return AsWide(NormalizeNameKey(AsUtf16(text))); }

std::vector<std::wstring> SplitNameTokens(std::wstring_view text) {
  std::vector<std::wstring> tokens;
  for (const std::u16string& token : SplitNameTokens(AsUtf16(text))) tokens.push_back(AsWide(token));
  return tokens;
}

std::wstring TrimDisplayNameSuffix(std::wstring_view text) {
  std::wstring name(text);
  while (!name.empty() && std::iswspace(name.back())) name.pop_back();
  const size_t paren = name.find(L'(');
  if (paren != std::wstring::npos && paren >= 3) name.erase(paren);
  for (size_t index = 1; index + 1 < name.size(); ++index) {
    if (std::iswspace(name[index]) && std::iswdigit(name[index + 1])) {
      name.erase(index);
      break;
    }
  }
  while (!name.empty() && (std::iswspace(name.back()) || name.back() == L'-' || name.back() == L'_')) name.pop_back();
  return name;
}

std::wstring FileStem(std::wstring_view path) {
  const std::wstring name = PathFileName(path);
  const size_t dot = name.find(L'.');
  return dot == std::wstring::npos ? name : name.substr(0, dot);
}

std::wstring ReadVersionString(std::wstring_view file, std::wstring_view name) {
  if (file.empty() || !CheckPathAttributes(file)) return {};
  const std::wstring path(file);
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
  if (size < 1 || size > kVersionInfoMaxBytes) return {};
  std::vector<unsigned char> block(size);
  if (!GetFileVersionInfoW(path.c_str(), 0, size, block.data())) return {};
  void* translation = nullptr;
  UINT translationBytes = 0;
  if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &translation, &translationBytes) ||
      translation == nullptr || translationBytes < 4) {
    return {};
  }
  const WORD* pair = static_cast<const WORD*>(translation);
  wchar_t query[64 + kVersionNameMaxUnits];
  const std::wstring bounded(name.substr(0, kVersionNameMaxUnits));
  swprintf(query, sizeof(query) / sizeof(query[0]), L"\\StringFileInfo\\%04x%04x\\%ls", pair[0], pair[1],
           bounded.c_str());
  void* value = nullptr;
  UINT units = 0;
  if (!VerQueryValueW(block.data(), query, &value, &units) || value == nullptr || units <= 1) return {};
  return std::wstring(static_cast<const wchar_t*>(value), units - 1);
}

void AddIdentityFragment(FragmentList& list, std::wstring_view name, std::string_view evidence,
                         std::string_view confidence) {
  const std::wstring key = NormalizeNameKey(name);
  if (!IsAcceptedNameKey(AsUtf16(key))) return;
  const auto existing =
      std::find_if(list.begin(), list.end(), [&](const IdentityFragment& f) { return f.key == key; });
  if (existing == list.end()) {
    list.push_back({key, std::string(evidence), std::string(confidence)});
    return;
  }
  if (existing->confidence == kConfidenceMedium && confidence == kConfidenceHigh) {
    *existing = {key, std::string(evidence), std::string(confidence)};
  }
}

void AddNameFragments(FragmentList& list, std::wstring_view name, std::string_view evidence,
                      std::string_view confidence) {
  AddIdentityFragment(list, name, evidence, confidence);
  const std::wstring trimmed = TrimDisplayNameSuffix(name);
  AddIdentityFragment(list, trimmed, evidence, confidence);
  const std::vector<std::wstring> tokens = SplitNameTokens(trimmed);
  const std::string tokenEvidence = Joined(evidence, kEvidenceTokenSuffix);
  const std::string pairEvidence = Joined(evidence, kEvidenceAdjacentSuffix);
  for (size_t index = 0; index < tokens.size(); ++index) {
    AddIdentityFragment(list, tokens[index], tokenEvidence, kConfidenceMedium);
    if (index + 1 < tokens.size()) {
      AddIdentityFragment(list, tokens[index] + tokens[index + 1], pairEvidence, kConfidenceMedium);
    }
  }
}

const IdentityFragment* FindIdentityFragment(std::wstring_view name, const FragmentList& list) {
  const std::wstring key = NormalizeNameKey(name);
  if (key.empty()) return nullptr;
  for (const IdentityFragment& fragment : list) {
    if (fragment.key == key) return &fragment;
  }
  return nullptr;
}

ProductIdentity CollectProductIdentity(const RegisteredSoftware& program) {
  ProductIdentity identity;
  const std::wstring& exe = program.mainExecutablePath;
  FragmentList& product = identity.productFragments;
  AddNameFragments(product, Utf8ToUtf16(program.displayName), kEvidenceDisplayNameExact, kConfidenceHigh);
  AddNameFragments(product, RegistryKeyNameFromId(Utf8ToUtf16(program.id)), kEvidenceKeyNameExact, kConfidenceHigh);
  AddNameFragments(product, FileStem(exe), kEvidenceExecutableStem, kConfidenceMedium);
  AddNameFragments(product, ReadVersionString(exe, L"ProductName"), kEvidenceProductName, kConfidenceHigh);
  AddNameFragments(product, ReadVersionString(exe, L"FileDescription"), kEvidenceFileDescription, kConfidenceHigh);
  AddNameFragments(identity.publisherFragments, Utf8ToUtf16(program.publisher), kEvidencePublisherExact,
                   kConfidenceHigh);
  AddNameFragments(identity.publisherFragments, ReadVersionString(exe, L"CompanyName"), kEvidenceCompanyName,
                   kConfidenceHigh);
  RemoveKeysOf(product, identity.publisherFragments);
  return identity;
}

RegistrationIdentity CollectRegistryIdentity(const RegisteredSoftware& program) {
  RegistrationIdentity identity;
  AddNameFragments(identity.fragments, Utf8ToUtf16(program.displayName), kEvidenceRegistryName, kConfidenceHigh);
  AddNameFragments(identity.fragments, RegistryKeyNameFromId(Utf8ToUtf16(program.id)), kEvidenceRegistryKeyName,
                   kConfidenceHigh);
  const std::wstring exe = TrimPath(program.mainExecutablePath);
  if (!exe.empty() && !GetFileIdentity(exe).empty()) {
    identity.mainExecutable = CanonicalizePath(exe);
    const std::wstring name = PathFileName(exe);
    AddNameFragments(identity.fragments, name.substr(0, name.find(L'.')), kEvidenceRegisteredProgram,
                     kConfidenceMedium);
    AddNameFragments(identity.fragments, ReadVersionString(exe, L"ProductName"), kEvidenceProductMetadata,
                     kConfidenceHigh);
  }
  FragmentList publisher;
  AddNameFragments(publisher, Utf8ToUtf16(program.publisher), kEvidencePublisher, kConfidenceHigh);
  RemoveKeysOf(identity.fragments, publisher);
  const std::wstring location = CanonicalizePath(TrimPath(Utf8ToUtf16(program.installLocation)));
  if (!location.empty() && !GetFileIdentity(location).empty() && !IsProtectedLocation(location)) {
    identity.installLocation = location;
  }
  return identity;
}

bool IsProductShortcutTarget(std::wstring_view target, const RegistrationIdentity& identity) {
  if (GetFileIdentity(target).empty()) return false;
  const std::wstring path(target);
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  if (!identity.mainExecutable.empty() && PathsEqual(identity.mainExecutable, target)) return true;
  if (identity.installLocation.empty() || !IsPathUnder(target, identity.installLocation)) return false;
  return FindIdentityFragment(PathFileName(identity.installLocation), identity.fragments) != nullptr ||
         FindIdentityFragment(FileStem(target), identity.fragments) != nullptr ||
         FindIdentityFragment(ReadVersionString(target, L"ProductName"), identity.fragments) != nullptr;
}

}  // namespace nubo
