#include "characters/data_url.h"

#include <windows.h>

#include <wincrypt.h>

#include <cstring>
#include <stdexcept>

#include "characters/character_texts.h"

namespace nubo {
namespace {

namespace texts = character_texts;

constexpr uint8_t kPngSignature[] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

bool HasPngSignature(const std::vector<uint8_t>& bytes) {
  return bytes.size() >= sizeof(kPngSignature) &&
         std::memcmp(bytes.data(), kPngSignature, sizeof(kPngSignature)) == 0;
}

bool HasWebpSignature(const std::vector<uint8_t>& bytes) {
  return bytes.size() >= 12 && std::memcmp(bytes.data(), "RIFF", 4) == 0 &&
         std::memcmp(bytes.data() + 8, "WEBP", 4) == 0;
}

}  // namespace

DecodedCharacterImage DecodeCharacterImageDataUrl(std::string_view dataUrl) {
  DecodedCharacterImage image;
  std::string_view base64;
  if (StartsWith(dataUrl, texts::kPngDataUrlPrefix)) {
    image.extension = texts::kPngExtension;
    base64 = dataUrl.substr(std::strlen(texts::kPngDataUrlPrefix));
  } else if (StartsWith(dataUrl, texts::kWebpDataUrlPrefix)) {
    image.extension = texts::kWebpExtension;
    base64 = dataUrl.substr(std::strlen(texts::kWebpDataUrlPrefix));
  } else {
    throw std::runtime_error(texts::kUnsupportedImageType);
  }
  if (base64.empty() || base64.size() > texts::kMaxBase64Characters) {
    throw std::runtime_error(texts::kImageTooLarge);
  }

  const auto length = static_cast<DWORD>(base64.size());
  DWORD decodedSize = 0;
  if (!CryptStringToBinaryA(base64.data(), length, CRYPT_STRING_BASE64, nullptr, &decodedSize,
                            nullptr, nullptr) ||
      decodedSize < 1 || decodedSize > texts::kMaxDecodedBytes) {
    throw std::runtime_error(texts::kImageInvalidOrTooLarge);
  }
  image.bytes.resize(decodedSize);
  if (!CryptStringToBinaryA(base64.data(), length, CRYPT_STRING_BASE64, image.bytes.data(),
                            &decodedSize, nullptr, nullptr)) {
    throw std::runtime_error(texts::kImageUnreadable);
  }
  image.bytes.resize(decodedSize);

  const bool matches = image.extension == texts::kPngExtension ? HasPngSignature(image.bytes)
                                                               : HasWebpSignature(image.bytes);
  if (!matches) throw std::runtime_error(texts::kSignatureMismatch);
  return image;
}

}  // namespace nubo
