#include "maintenance/software/software_inventory.h"

#include <windows.h>

#include <algorithm>
#include <cwctype>
#include <stdexcept>

#include "maintenance/software/path_rules.h"
#include "maintenance/software/software_texts.h"
#include "maintenance/software/uninstall_registry.h"
#include "store/text_convert.h"

namespace nubo {
namespace {

struct ReadContext {
  std::vector<RegisteredSoftware>* list;
  const std::function<bool()>* stop;
  bool stopped = false;
  DriveTypeCache drives;  // one listing's drive types
};

int OnUninstallRegistryRecord(const UninstallRegistryRecord& record, void* user) {
  auto& context = *static_cast<ReadContext*>(user);
  if (*context.stop && (*context.stop)()) {
    context.stopped = true;
    return 0;
  }
  RegisteredSoftware program;
  program.id = Utf16ToUtf8(record.id);
  program.displayName = Utf16ToUtf8(record.displayName);
  program.displayVersion = Utf16ToUtf8(record.displayVersion);
  program.publisher = Utf16ToUtf8(record.publisher);
  program.installLocation = Utf16ToUtf8(record.installLocation);
  program.registryPath = FormatRegistryLocation(program.id);
  program.displayIcon = record.displayIcon;
  program.mainExecutablePath = ExtractExecutablePath(record.displayIcon, context.drives);
  if (program.mainExecutablePath.empty()) {
    program.mainExecutablePath = ExtractExecutablePath(record.uninstallString, context.drives);
  }
  if (program.installLocation.empty()) {
    const std::wstring parent = ParentDirectory(program.mainExecutablePath);
    if (!parent.empty()) {
      program.installLocation = Utf16ToUtf8(parent);
      program.installLocationInferred = true;
    }
  }
  program.estimatedSizeBytes = record.estimatedSizeBytes;
  program.currentUser = (record.flags & kRecordCurrentUser) != 0;
  program.systemComponent = (record.flags & kRecordSystemComponent) != 0;
  program.noRemove = (record.flags & kRecordNoRemove) != 0;
  program.windowsInstaller = (record.flags & kRecordWindowsInstaller) != 0;
  program.uninstallCommand = record.uninstallString[0] != L'\0' ? record.uninstallString : record.quietUninstallString;
  context.list->push_back(std::move(program));
  return 1;
}

}  // namespace

std::vector<RegisteredSoftware> ReadInstalledSoftware(const std::function<bool()>& stop) {
  std::vector<RegisteredSoftware> list;
  ReadContext context{&list, &stop, false, {}};
  if (SoftwareRegistryEnumerate(&OnUninstallRegistryRecord, &context) == 0) {
    throw std::runtime_error(std::string(kInventoryReadFailed));
  }
  if (context.stopped) throw std::runtime_error(std::string(kInventoryStopped));
  std::sort(list.begin(), list.end(), CompareSoftwareByDisplayName);
  return list;
}

bool CompareSoftwareByDisplayName(const RegisteredSoftware& a, const RegisteredSoftware& b) {
  return _wcsicmp(Utf8ToUtf16(a.displayName).c_str(), Utf8ToUtf16(b.displayName).c_str()) < 0;
}

std::wstring ExtractExecutablePath(std::wstring_view text) {
  DriveTypeCache drives;
  return ExtractExecutablePath(text, drives);
}

std::wstring ExecutableTextOf(std::wstring_view text) {
  if (text.size() < 4) return {};
  std::wstring lower(text);
  for (wchar_t& unit : lower) unit = static_cast<wchar_t>(std::towlower(unit));
  const size_t exe = lower.find(L".exe");
  if (exe == std::wstring::npos) return {};
  std::wstring path(text.substr(0, exe + 4));
  size_t begin = 0;
  while (begin < path.size() && std::iswspace(path[begin])) ++begin;
  path.erase(0, begin);
  if (!path.empty() && path.front() == L'"') path.erase(0, 1);
  while (!path.empty() && (path.back() == L'"' || std::iswspace(path.back()))) path.pop_back();
  return path;
}

std::wstring ExtractExecutablePath(std::wstring_view text, DriveTypeCache& drives) {
  const std::wstring path = ExecutableTextOf(text);
  if (path.empty()) return {};
  // CheckPathAttributes holds the local-drive test.
  if (!CheckPathAttributes(path, drives)) return {};
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return {};
  return path;
}

const RegisteredSoftware* FindRegisteredSoftware(const std::vector<RegisteredSoftware>& list, std::string_view id,
                                                 std::string_view displayName) {
  for (const RegisteredSoftware& program : list) {
    if (program.id == id && program.displayName == displayName) return &program;
  }
  return nullptr;
}

std::string FormatRegistryLocation(std::string_view id) {
  const size_t first = id.find('|');
  if (first == std::string_view::npos) return {};
  const size_t second = id.find('|', first + 1);
  if (second == std::string_view::npos || second + 1 >= id.size()) return {};
  const std::string_view hive = id.substr(0, first);
  const std::string_view view = id.substr(first + 1, second - first - 1);
  std::string location = hive == "HKCU" ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
  location += "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
  location += id.substr(second + 1);
  location += " (";
  location += view;
  location += kRegistryViewWordEnd;
  return location;
}

std::wstring RegistryKeyNameFromId(std::wstring_view id) {
  const size_t first = id.find(L'|');
  if (first == std::wstring_view::npos) return {};
  const size_t second = id.find(L'|', first + 1);
  if (second == std::wstring_view::npos) return {};
  return std::wstring(id.substr(second + 1));
}

nlohmann::json SoftwareEntryToJson(const SoftwareEntry& entry) {
  return nlohmann::json{{"id", entry.id},
                        {"displayName", entry.displayName},
                        {"displayVersion", entry.displayVersion},
                        {"publisher", entry.publisher},
                        {"installLocation", entry.installLocation},
                        {"registryPath", entry.registryPath},
                        {"estimatedSizeBytes", entry.estimatedSizeBytes},
                        {"installLocationInferred", entry.installLocationInferred},
                        {"currentUser", entry.currentUser},
                        {"noRemove", entry.noRemove},
                        {"windowsInstaller", entry.windowsInstaller}};
}

}  // namespace nubo
