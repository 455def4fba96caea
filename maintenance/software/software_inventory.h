#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace nubo {

class DriveTypeCache;

// The public record of one installed program (UTF-8 texts).
struct SoftwareEntry {
  std::string id;
  std::string displayName;
  std::string displayVersion;
  std::string publisher;
  std::string installLocation;  // as stored, or the main executable's folder
  std::string registryPath;
  uint64_t estimatedSizeBytes = 0;
  bool installLocationInferred = false;
  bool currentUser = false;
  bool systemComponent = false;
  bool noRemove = false;
  bool windowsInstaller = false;
};

// The internal record: the public one, the main executable and the command
// that uninstalls.
struct RegisteredSoftware : SoftwareEntry {
  std::wstring mainExecutablePath;
  std::wstring uninstallCommand;
  std::wstring displayIcon;  // as registered
};

// Every registered program of the four views, sorted by display name. stop,
// when given, is asked once per accepted subkey. Throws std::runtime_error
// on failure or stop.
std::vector<RegisteredSoftware> ReadInstalledSoftware(const std::function<bool()>& stop);

bool CompareSoftwareByDisplayName(const RegisteredSoftware& a, const RegisteredSoftware& b);

// The executable a DisplayIcon or uninstall text names, as written: the text
// up to its first ".exe", without surrounding blanks and quotes; or empty.
std::wstring ExecutableTextOf(std::wstring_view text);
// The local, existing executable a DisplayIcon or uninstall text names.
std::wstring ExtractExecutablePath(std::wstring_view text);
std::wstring ExtractExecutablePath(std::wstring_view text, DriveTypeCache& drives);

// The first record whose id and display name are byte for byte equal.
const RegisteredSoftware* FindRegisteredSoftware(const std::vector<RegisteredSoftware>& list, std::string_view id,
                                                 std::string_view displayName);

// "HKEY_LOCAL_MACHINE\SOFTWARE\...\Uninstall\Example (32 位视图)", or empty.
std::string FormatRegistryLocation(std::string_view id);
// The subkey name after the second "|" of an id.
std::wstring RegistryKeyNameFromId(std::wstring_view id);

nlohmann::json SoftwareEntryToJson(const SoftwareEntry& entry);

}  // namespace nubo
