#pragma once

#include <string>
#include <string_view>

namespace nubo {

// Reduces a registered uninstall command to one existing executable on a
// local drive (canonical form) and the text of its arguments. Environment
// references are expanded first; a bare "msiexec.exe" names the system
// folder's copy; no other relative name is searched for. False, outputs
// untouched, for anything else: scripts, folders, missing files, reparse
// points, network drives, ambiguous quoting, NULs and line breaks.
bool ParseUninstallCommand(std::wstring_view command, std::wstring& exePath, std::wstring& arguments);

}  // namespace nubo
