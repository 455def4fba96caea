#include "characters/base64_picture.h"

#include <windows.h>

#include <wincrypt.h>

#include <cstring>

namespace nubo {
namespace {

constexpr uint8_t kPngSignature[] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};

bool HasBytesAt(const std::vector<uint8_t>& bytes, size_t offset, const void* expected,
                size_t length) {
  return bytes.size() >= offset + length &&
         std::memcmp(bytes.data() + offset, expected, length) == 0;
}

}  // namespace

Base64Status DecodeBoundedBase64(std::string_view base64, const Base64Limits& limits,
                                 std::vector<uint8_t>& bytes) {
  if (base64.empty() || base64.size() > limits.maxCharacters) {
    return Base64Status::kEmptyOrTooLong;
  }
  const auto length = static_cast<DWORD>(base64.size());
  DWORD size = 0;
  if (!CryptStringToBinaryA(base64.data(), length, CRYPT_STRING_BASE64, nullptr, &size, nullptr,
                            nullptr) ||
      size == 0 || size > limits.maxDecodedBytes) {
    return Base64Status::kInvalidOrTooLarge;
  }
  bytes.resize(size);
  if (!CryptStringToBinaryA(base64.data(), length, CRYPT_STRING_BASE64, bytes.data(), &size,
                            nullptr, nullptr)) {
    return Base64Status::kDecodeFailed;
  }
  bytes.resize(size);
  return Base64Status::kDecoded;
}

bool HasPngSignature(const std::vector<uint8_t>& bytes) {
  return HasBytesAt(bytes, 0, kPngSignature, sizeof(kPngSignature));
}

bool HasWebpSignature(const std::vector<uint8_t>& bytes) {
  return HasBytesAt(bytes, 0, "RIFF", 4) && HasBytesAt(bytes, 8, "WEBP", 4);
}

}  // namespace nubo
