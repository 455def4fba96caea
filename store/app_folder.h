#pragma once

#include <string>

namespace nubo {

// The per-user application folder under the local application-data known
// folder, created if missing and migrated once from the legacy folder.
std::wstring ResolveAppDataDirectory();

// The same resolution below a given root in place of the known folder.
std::wstring ResolveAppDataDirectoryUnder(const std::wstring& knownFolderRoot);

// Copies legacyFolder\sourceName to appFolder\targetName only when the source
// exists and the target does not; failures are ignored.
void CopyFileIfMissing(const std::wstring& legacyFolder, const std::wstring& appFolder,
                       const std::wstring& sourceName, const std::wstring& targetName);

// The full path of the running executable.
std::wstring GetExecutablePath();

// The folder of the running executable, without a trailing separator.
std::wstring GetExecutableDirectory();

}  // namespace nubo
