#include "tests/support/temp_dir.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "store/file_utils.h"

namespace nubo::testing {

TempDir::TempDir() {
  static std::atomic<unsigned> counter{0};
  wchar_t base[MAX_PATH + 1] = {};
  if (GetTempPathW(MAX_PATH, base) == 0) throw std::runtime_error("no temporary folder");
  for (int attempt = 0; attempt < 1000; ++attempt) {
    std::wstring candidate = JoinPath(base, L"nubo-test-" + std::to_wstring(GetCurrentProcessId()) +
                                                L"-" + std::to_wstring(counter++));
    if (CreateDirectoryW(candidate.c_str(), nullptr)) {
      path_ = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() { RemoveTree(path_); }

std::wstring TempDir::file(const std::wstring& name) const { return JoinPath(path_, name); }

void RemoveTree(const std::wstring& path) {
  WIN32_FIND_DATAW entry{};
  HANDLE find = FindFirstFileW(JoinPath(path, L"*").c_str(), &entry);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = entry.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring child = JoinPath(path, name);
      SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(child);
      } else {
        DeleteFileW(child.c_str());
      }
    } while (FindNextFileW(find, &entry));
    FindClose(find);
  }
  RemoveDirectoryW(path.c_str());
}

std::string ReadWholeFile(const std::wstring& path) {
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  if (!in) throw std::runtime_error("cannot read test file");
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteWholeFile(const std::wstring& path, const std::string& bytes) {
  std::ofstream out(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("cannot write test file");
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::wstring ListFolder(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW entry{};
  HANDLE find = FindFirstFileW(JoinPath(folder, L"*").c_str(), &entry);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = entry.cFileName;
      if (name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(find, &entry));
    FindClose(find);
  }
  std::sort(names.begin(), names.end());
  std::wstring joined;
  for (const auto& name : names) {
    if (!joined.empty()) joined += L",";
    joined += name;
  }
  return joined;
}

}  // namespace nubo::testing
