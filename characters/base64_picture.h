#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace nubo {

struct Base64Limits {
  size_t maxCharacters;
  size_t maxDecodedBytes;
};

enum class Base64Status {
  kDecoded,
  kEmptyOrTooLong,     // no text, or more than maxCharacters
  kInvalidOrTooLarge,  // not Base64, or decodes to 0 or more than maxDecodedBytes
  kDecodeFailed,       // the size was measured but decoding then failed
};

// Decodes Base64 text into `bytes`; the decoded size is measured and checked
// before the output is allocated. Callers turn the status into their own text.
Base64Status DecodeBoundedBase64(std::string_view base64, const Base64Limits& limits,
                                 std::vector<uint8_t>& bytes);

// The bytes begin with the PNG signature.
bool HasPngSignature(const std::vector<uint8_t>& bytes);
// The bytes begin "RIFF", four size bytes, then "WEBP".
bool HasWebpSignature(const std::vector<uint8_t>& bytes);

}  // namespace nubo
