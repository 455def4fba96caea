#pragma once

#include <cstddef>
#include <cstdint>

namespace nubo {

// The header of a single-image ICO file: 22 bytes, then the PNG unchanged.
inline constexpr size_t kIcoHeaderBytes = 22;

// Writes path as an ICO file wrapping the PNG bytes (not examined here: the
// callers check the signature). Refuses null arguments and fewer than 8 or
// more than 4,294,967,295 bytes, and a path that already names a file. The
// file is flushed and closed before true is returned; on any failure after it
// was created it is deleted. Callers write to a temporary name and move it
// into place.
bool WriteIcoFile(const wchar_t* path, const uint8_t* pngBytes, size_t byteCount);

}  // namespace nubo
