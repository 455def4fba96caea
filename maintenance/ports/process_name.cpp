#include "maintenance/ports/process_name.h"

#include <exception>
#include <string_view>

#include "maintenance/ports/port_texts.h"
#include "store/text_convert.h"
#include "store/win_handles.h"

namespace nubo {
namespace {

constexpr DWORD kImagePathUnits = 32768;

std::string PidName(uint32_t processId) {
  return std::string(port_texts::kPidNamePrefix) + std::to_string(processId);
}

}  // namespace

std::string ProcessNameFromHandle(HANDLE process, uint32_t processId) {
  try {
    std::wstring path(kImagePathUnits, L'\0');
    DWORD units = kImagePathUnits;
    if (!QueryFullProcessImageNameW(process, 0, path.data(), &units) || units >= kImagePathUnits) {
      return PidName(processId);
    }
    path.resize(units);
    const size_t separator = path.find_last_of(L"\\/");
    const std::wstring_view fileName =
        separator == std::wstring::npos ? std::wstring_view(path)
                                        : std::wstring_view(path).substr(separator + 1);
    return Utf16ToUtf8(fileName);
  } catch (const std::exception&) {
    return PidName(processId);
  }
}

std::string ProcessNameFromPid(uint32_t processId) {
  if (processId == 0) return std::string(port_texts::kIdleProcessName);
  if (processId == 4) return std::string(port_texts::kSystemProcessName);
  const KernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
  if (!process) return PidName(processId);
  return ProcessNameFromHandle(process.get(), processId);
}

}  // namespace nubo
