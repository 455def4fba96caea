// Puts a sentinel file into each folder no cleanup may touch and prints the
// files' Unix names, one a line, for the manifest; "remove" takes them away.
//   safety_sentinels place|remove
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "store/text_convert.h"
#include "tests/maintenance/software/safety_world.h"
#include "tests/support/temp_dir.h"

int main(int argc, char** argv) {
  const bool place = argc == 2 && std::strcmp(argv[1], "place") == 0;
  if (!place && !(argc == 2 && std::strcmp(argv[1], "remove") == 0)) {
    std::fprintf(stderr, "usage: safety_sentinels place|remove\n");
    return 2;
  }
  for (const std::wstring& folder : nubo::testing::GuardedFolders()) {
    const std::wstring file = folder + L"\\nubo-sentinel.txt";
    if (!place) {
      DeleteFileW(file.c_str());
      continue;
    }
    for (size_t at = folder.find(L'\\', 3);; at = folder.find(L'\\', at + 1)) {
      CreateDirectoryW(folder.substr(0, at).c_str(), nullptr);
      if (at == std::wstring::npos) break;
    }
    nubo::testing::WriteWholeFile(file, "sentinel of " + nubo::Utf16ToUtf8(folder) + "\n");
    const std::string unixName = nubo::testing::UnixNameOf(file);
    if (unixName.empty()) return 1;
    std::printf("%s\n", unixName.c_str());
  }
  return 0;
}
