#pragma once

#include <string>

namespace nubo::testing {

// A fresh folder under the temporary folder, removed with its contents.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::wstring& path() const { return path_; }
  std::wstring file(const std::wstring& name) const;

 private:
  std::wstring path_;
};

void RemoveTree(const std::wstring& path);
std::string ReadWholeFile(const std::wstring& path);
void WriteWholeFile(const std::wstring& path, const std::string& bytes);
// Names found directly in a folder, sorted.
std::wstring ListFolder(const std::wstring& folder);

}  // namespace nubo::testing
