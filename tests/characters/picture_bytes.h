#pragma once

#include <string>

namespace nubo::testing {

// A valid RGBA PNG of the given size (stored, uncompressed image data).
std::string MakePng(int width, int height);
// Bytes that carry the WebP signature, padded to size (at least 12).
std::string MakeWebpBytes(size_t size);
// Bytes that start with the PNG signature, padded to size (at least 8).
std::string MakePngSignedBytes(size_t size);

std::string Base64Encode(const std::string& bytes);
std::string PngDataUrl(const std::string& bytes);
std::string WebpDataUrl(const std::string& bytes);

// "c" followed by the number: names and ids of a series of characters.
std::string NumberedName(int number);

}  // namespace nubo::testing
