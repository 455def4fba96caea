#include "store/file_utils.h"

#include <windows.h>

#include <shlobj.h>

#include <algorithm>
#include <stdexcept>

#include "store/win_handles.h"

namespace nubo {
namespace {

constexpr char kCreateDirectoryFailed[] = "Unable to create the application directory.";
constexpr char kDirectoryNotValid[] = "The application directory path is not valid.";
constexpr char kCreateOutputFailed[] = "Unable to create the output file.";
constexpr char kWriteOutputFailed[] = "Unable to write the complete output file.";
constexpr char kMoveFailed[] = "Unable to move the completed file.";
constexpr char kDeleteFailed[] = "Unable to delete the file.";

constexpr std::wstring_view kReservedFileNameCharacters = L"<>:\"/\\|?*";
// How many names beside a target are tried for its temporary file.
constexpr int kTemporaryNameAttempts = 100;
constexpr int64_t kUnixEpochIn100ns = 116444736000000000LL;

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// Free only when nothing of that name is there; a name that cannot be
// looked at counts as taken.
bool IsNameFree(const std::wstring& path) {
  if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return false;
  const DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

std::wstring FreeTemporaryName(const std::wstring& target, std::wstring_view suffix) {
  std::wstring candidate = target + std::wstring(suffix);
  for (int n = 1; !IsNameFree(candidate); ++n) {
    if (n == kTemporaryNameAttempts) throw std::runtime_error(kCreateOutputFailed);
    candidate = target + L"." + std::to_wstring(n) + std::wstring(suffix);
  }
  return candidate;
}

}  // namespace

std::wstring JoinPath(std::wstring_view left, std::wstring_view right) {
  std::wstring result(left);
  if (!left.empty() && !IsSeparator(left.back())) result.push_back(L'\\');
  result.append(right);
  return result;
}

bool IsValidFileName(std::wstring_view name) {
  if (name.empty() || name == L"." || name == L"..") return false;
  if (name.find_first_of(kReservedFileNameCharacters) != std::wstring_view::npos) return false;
  const wchar_t last = name.back();
  return last != L'.' && last != L' ';
}

bool FileExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

uint64_t FileSizeOrZero(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

void EnsureDirectory(const std::wstring& path) {
  const int result = SHCreateDirectoryExW(nullptr, path.c_str(), nullptr);
  if (result != ERROR_SUCCESS && result != ERROR_FILE_EXISTS && result != ERROR_ALREADY_EXISTS) {
    throw std::runtime_error(kCreateDirectoryFailed);
  }
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    throw std::runtime_error(kDirectoryNotValid);
  }
}

bool WriteAllToHandle(void* handle, const void* bytes, size_t byteCount) {
  const auto* cursor = static_cast<const unsigned char*>(bytes);
  size_t remaining = byteCount;
  while (remaining > 0) {
    const DWORD piece = static_cast<DWORD>(std::min<size_t>(remaining, 0xFFFFFFFFu));
    DWORD written = 0;
    // A short write goes on with the rest; only a failed call or one that
    // wrote nothing ends the loop.
    if (!WriteFile(static_cast<HANDLE>(handle), cursor, piece, &written, nullptr) ||
        written == 0) {
      return false;
    }
    cursor += written;
    remaining -= written;
  }
  return true;
}

void WriteFileComplete(const std::wstring& path, const void* bytes, size_t byteCount) {
  FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) throw std::runtime_error(kCreateOutputFailed);
  const bool complete = WriteAllToHandle(file.get(), bytes, byteCount) &&
                        FlushFileBuffers(file.get()) != FALSE;
  file.reset();
  if (!complete) {
    DeleteFileW(path.c_str());
    throw std::runtime_error(kWriteOutputFailed);
  }
}

void MoveFileReplacing(const std::wstring& source, const std::wstring& target) {
  if (!MoveFileExW(source.c_str(), target.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    throw std::runtime_error(kMoveFailed);
  }
}

void DeleteFileIfExists(const std::wstring& path) {
  if (DeleteFileW(path.c_str())) return;
  const DWORD error = GetLastError();
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return;
  throw std::runtime_error(kDeleteFailed);
}

void DeleteFileQuietly(const std::wstring& path) { DeleteFileW(path.c_str()); }

void WriteThroughTemporary(const std::wstring& target, std::wstring_view suffix,
                           const std::function<void(const std::wstring& temporary)>& write) {
  const std::wstring temporary = FreeTemporaryName(target, suffix);
  write(temporary);
  try {
    MoveFileReplacing(temporary, target);
  } catch (...) {
    DeleteFileQuietly(temporary);
    throw;
  }
}

int64_t NowMilliseconds() {
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER ticks{};
  ticks.LowPart = now.dwLowDateTime;
  ticks.HighPart = now.dwHighDateTime;
  return (static_cast<int64_t>(ticks.QuadPart) - kUnixEpochIn100ns) / 10000;
}

}  // namespace nubo
