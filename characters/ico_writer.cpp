#include "characters/ico_writer.h"

#include <windows.h>

#include <array>

#include "store/file_utils.h"
#include "store/win_handles.h"

namespace nubo {
namespace {

constexpr size_t kMinPngBytes = 8;
constexpr uint64_t kMaxPngBytes = 0xFFFFFFFFu;

void PutLittleEndian(uint8_t* out, uint32_t value, size_t width) {
  for (size_t i = 0; i < width; ++i) out[i] = static_cast<uint8_t>(value >> (8 * i));
}

std::array<uint8_t, kIcoHeaderBytes> BuildIcoHeader(uint32_t pngLength) {
  std::array<uint8_t, kIcoHeaderBytes> header{};
  PutLittleEndian(&header[2], 1, 2);   // image type: icon
  PutLittleEndian(&header[4], 1, 2);   // one image
  // Width, height, colour count and reserved stay 0: 0 means 256 or the PNG's own size.
  PutLittleEndian(&header[10], 1, 2);  // colour planes
  PutLittleEndian(&header[12], 32, 2); // bits per pixel
  PutLittleEndian(&header[14], pngLength, 4);
  PutLittleEndian(&header[18], static_cast<uint32_t>(kIcoHeaderBytes), 4);
  return header;
}

}  // namespace

bool WriteIcoFile(const wchar_t* path, const uint8_t* pngBytes, size_t byteCount) {
  if (path == nullptr || pngBytes == nullptr || byteCount < kMinPngBytes ||
      static_cast<uint64_t>(byteCount) > kMaxPngBytes) {
    return false;
  }
  // Created anew: a file already of that name is never written over, and so
  // the deletion below only ever removes the writer's own file.
  FileHandle file(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;

  const auto header = BuildIcoHeader(static_cast<uint32_t>(byteCount));
  // Flushed before closing, so the move that follows never puts a file in
  // place whose bytes may still be lost.
  bool complete = WriteAllToHandle(file.get(), header.data(), header.size()) &&
                  WriteAllToHandle(file.get(), pngBytes, byteCount) &&
                  FlushFileBuffers(file.get()) != FALSE;
  complete = CloseHandle(file.release()) != FALSE && complete;
  if (!complete) DeleteFileW(path);
  return complete;
}

}  // namespace nubo
