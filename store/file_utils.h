#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace nubo {

// Joins with a backslash unless left is empty or already ends in \ or /.
std::wstring JoinPath(std::wstring_view left, std::wstring_view right);

// False for "", ".", "..", the nine reserved characters <>:"/\|?* and a
// trailing dot or space.
bool IsValidFileName(std::wstring_view name);

bool FileExists(const std::wstring& path);

// The file's size in bytes; 0 when it cannot be read.
uint64_t FileSizeOrZero(const std::wstring& path);

// Creates the folder and its missing parents; raises when it is not a folder.
void EnsureDirectory(const std::wstring& path);

// Creates the file anew (a name that is taken is refused, never replaced),
// writes all of it and flushes it; on failure the file it created is removed.
void WriteFileComplete(const std::wstring& path, const void* bytes, size_t byteCount);

// Writes to an already open handle in pieces, repeating short writes for the
// rest; false when a write fails or writes nothing.
bool WriteAllToHandle(void* handle, const void* bytes, size_t byteCount);

void MoveFileReplacing(const std::wstring& source, const std::wstring& target);

void DeleteFileIfExists(const std::wstring& path);

// For clean-up on a path that is already failing: its own failure must not
// hide the first one.
void DeleteFileQuietly(const std::wstring& path);

// write() creates the file at the temporary path it is given, which is then
// moved over the target. The temporary path is target + suffix, or, while that
// name is taken, target + "." + n + suffix: a file the program did not create
// is never written over or removed. A write() that fails removes what it
// created itself (a name found free may be taken by someone else before it is
// created); when the move fails, the temporary file is removed. Failures are
// passed on.
void WriteThroughTemporary(const std::wstring& target, std::wstring_view suffix,
                           const std::function<void(const std::wstring& temporary)>& write);

// Wall-clock time in Unix milliseconds.
int64_t NowMilliseconds();

}  // namespace nubo
