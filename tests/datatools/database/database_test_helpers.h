#pragma once

#include <string>

namespace nubo::testing {

// Runs sql on the file (created when missing) with a connection of its own.
void RunSqlOnFile(const std::wstring& path, const std::string& sql);

// Lower-case hexadecimal SHA-256 of the file's bytes.
std::string FileSha256(const std::wstring& path);

}  // namespace nubo::testing
