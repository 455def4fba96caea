#include "characters/file_compare.h"

#include <windows.h>

#include <cstring>
#include <vector>

#include "store/win_handles.h"

namespace nubo {
namespace {

constexpr DWORD kPieceBytes = 64 * 1024;

FileHandle OpenForReading(const std::wstring& path) {
  return FileHandle(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

}  // namespace

bool FilesHaveSameContent(const std::wstring& left, const std::wstring& right) {
  FileHandle a = OpenForReading(left);
  FileHandle b = OpenForReading(right);
  if (!a || !b) return false;
  LARGE_INTEGER sizeA{};
  LARGE_INTEGER sizeB{};
  if (!GetFileSizeEx(a.get(), &sizeA) || !GetFileSizeEx(b.get(), &sizeB) ||
      sizeA.QuadPart != sizeB.QuadPart) {
    return false;
  }
  std::vector<char> pieceA(kPieceBytes);
  std::vector<char> pieceB(kPieceBytes);
  for (;;) {
    DWORD readA = 0;
    DWORD readB = 0;
    if (!ReadFile(a.get(), pieceA.data(), kPieceBytes, &readA, nullptr) ||
        !ReadFile(b.get(), pieceB.data(), kPieceBytes, &readB, nullptr)) {
      return false;
    }
    if (readA != readB || std::memcmp(pieceA.data(), pieceB.data(), readA) != 0) return false;
    if (readA == 0) return true;
  }
}

}  // namespace nubo
