#include "characters/ico_writer.h"

#include <windows.h>

#include <array>

#include "store/file_utils.h"
#include "store/win_handles.h"

namespace nubo {
namespace {

constexpr uint64_t kMinimumPngBytes = 8;
constexpr uint64_t kMaximumPngBytes = 0xFFFFFFFFu;

void PutLittleEndian16(unsigned char* out, uint16_t value) {
  out[0] = static_cast<unsigned char>(value & 0xFF);
  out[1] = static_cast<unsigned char>(value >> 8);
}

void PutLittleEndian32(unsigned char* out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<unsigned char>((value >> (8 * i)) & 0xFF);
}

// ICONDIR (reserved, type 1 = icon, one image) and one ICONDIRENTRY whose
// width and height 0 let the PNG give its own size.
std::array<unsigned char, kIcoHeaderBytes> IcoHeader(uint32_t pngBytes) {
  std::array<unsigned char, kIcoHeaderBytes> header{};
  PutLittleEndian16(&header[2], 1);
  PutLittleEndian16(&header[4], 1);
  PutLittleEndian16(&header[10], 1);   // colour planes
  PutLittleEndian16(&header[12], 32);  // bits per pixel
  PutLittleEndian32(&header[14], pngBytes);
  PutLittleEndian32(&header[18], static_cast<uint32_t>(kIcoHeaderBytes));
  return header;
}

}  // namespace

bool WriteIcoFile(const wchar_t* path, const void* pngBytes, uint64_t byteCount) {
  if (path == nullptr || pngBytes == nullptr || byteCount < kMinimumPngBytes ||
      byteCount > kMaximumPngBytes) {
    return false;
  }
  FileHandle file(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;

  const auto header = IcoHeader(static_cast<uint32_t>(byteCount));
  // Flushed so that the move over the target, which callers make next,
  // never puts a file in place whose bytes are still only in the cache.
  bool complete = WriteAllToHandle(file.get(), header.data(), header.size()) &&
                  WriteAllToHandle(file.get(), pngBytes, static_cast<size_t>(byteCount)) &&
                  FlushFileBuffers(file.get()) != FALSE;
  complete = CloseHandle(file.release()) != FALSE && complete;
  if (!complete) DeleteFileW(path);
  return complete;
}

}  // namespace nubo
