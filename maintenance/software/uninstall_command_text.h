#pragma once

#include <string>
#include <string_view>

namespace nubo {

// The text checks of a registered uninstall command before anything is
// expanded: 1 to kUninstallCommandMaxUnits units, no NUL, no line break.
bool IsAcceptableUninstallText(std::wstring_view command);

// Splits an expanded command, leading white space skipped, into the
// executable it names and the text after it (from its first unit, usually
// a blank; may be empty). Quoted form: the text between the first two
// quotes, followed by white space or the end. Unquoted form: up to the first
// ".exe" (any case) at the end or before white space. Either way the
// executable must end with ".exe". False, outputs untouched, otherwise.
bool SplitUninstallCommand(std::wstring_view expanded, std::wstring& exePath, std::wstring& arguments);

}  // namespace nubo
