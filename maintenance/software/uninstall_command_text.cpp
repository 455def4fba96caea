#include "maintenance/software/uninstall_command_text.h"

#include <cwctype>

#include "maintenance/software/uninstall_limits.h"

namespace nubo {
namespace {

constexpr std::wstring_view kExeSuffix = L".exe";

bool IsBlank(wchar_t unit) { return std::iswspace(static_cast<std::wint_t>(unit)) != 0; }

std::wstring LowerCopy(std::wstring_view text) {
  std::wstring lower(text);
  for (wchar_t& unit : lower) unit = static_cast<wchar_t>(std::towlower(static_cast<std::wint_t>(unit)));
  return lower;
}

// The end of the executable in an unquoted command, or npos.
size_t UnquotedExecutableEnd(std::wstring_view text) {
  const std::wstring lower = LowerCopy(text);
  if (lower.size() < kExeSuffix.size()) return std::wstring::npos;
  for (size_t found = lower.find(kExeSuffix); found != std::wstring::npos;
       found = lower.find(kExeSuffix, found + kExeSuffix.size())) {
    const size_t end = found + kExeSuffix.size();
    if (end == lower.size() || IsBlank(lower[end])) return end;
  }
  return std::wstring::npos;
}

}  // namespace

bool IsAcceptableUninstallText(std::wstring_view command) {
  if (command.empty() || command.size() > kUninstallCommandMaxUnits) return false;
  return command.find_first_of(std::wstring_view(L"\0\r\n", 3)) == std::wstring_view::npos;
}

bool SplitUninstallCommand(std::wstring_view expanded, std::wstring& exePath, std::wstring& arguments) {
  size_t start = 0;
  while (start < expanded.size() && IsBlank(expanded[start])) ++start;
  const std::wstring_view text = expanded.substr(start);
  std::wstring_view executable;
  size_t argumentStart = 0;
  if (!text.empty() && text.front() == L'"') {
    const size_t close = text.find(L'"', 1);
    if (close == std::wstring_view::npos) return false;
    if (close + 1 < text.size() && !IsBlank(text[close + 1])) return false;
    executable = text.substr(1, close - 1);
    argumentStart = close + 1;
  } else {
    const size_t end = UnquotedExecutableEnd(text);
    if (end == std::wstring::npos) return false;
    executable = text.substr(0, end);
    argumentStart = end;
  }
  const std::wstring lower = LowerCopy(executable);
  if (lower.size() < kExeSuffix.size() || lower.compare(lower.size() - kExeSuffix.size(), kExeSuffix.size(), kExeSuffix) != 0) {
    return false;
  }
  exePath.assign(executable);
  arguments.assign(text.substr(argumentStart));
  return true;
}

}  // namespace nubo
