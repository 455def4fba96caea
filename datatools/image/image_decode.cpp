#include "datatools/image/image_decode.h"

#include <windows.h>

#include <wincrypt.h>

#include <stdexcept>

#include "datatools/image/image_texts.h"

namespace nubo {

std::vector<unsigned char> DecodeConvertedImageBase64(std::string_view base64) {
  namespace texts = image_texts;
  if (base64.empty() || base64.size() > texts::kMaxBase64Characters) {
    throw std::runtime_error(texts::kBase64TooLong);
  }
  const DWORD length = static_cast<DWORD>(base64.size());
  DWORD size = 0;
  if (!CryptStringToBinaryA(base64.data(), length, CRYPT_STRING_BASE64, nullptr, &size, nullptr,
                            nullptr) ||
      size == 0 || size > texts::kMaxDecodedBytes) {
    throw std::runtime_error(texts::kDecodedInvalidOrTooLarge);
  }
  std::vector<unsigned char> bytes(size);
  if (!CryptStringToBinaryA(base64.data(), length, CRYPT_STRING_BASE64, bytes.data(), &size,
                            nullptr, nullptr)) {
    throw std::runtime_error(texts::kDecodeFailed);
  }
  bytes.resize(size);
  return bytes;
}

}  // namespace nubo
