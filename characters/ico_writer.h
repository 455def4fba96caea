#pragma once

#include <cstddef>
#include <cstdint>

namespace nubo {

// Bytes before the PNG image in a single-image ICO file.
inline constexpr size_t kIcoHeaderBytes = 22;

// Writes an ICO file whose only image is the given PNG, unchanged. The file
// is flushed before it is closed; on any failure no file is left behind.
// Refuses a null path or image and an image shorter than 8 bytes or longer
// than 4 GiB - 1. Callers write to a temporary name and move it into place.
bool WriteIcoFile(const wchar_t* path, const void* pngBytes, uint64_t byteCount);

}  // namespace nubo
