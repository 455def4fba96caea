#include "datatools/image/image_decode.h"

#include <stdexcept>

#include "characters/base64_picture.h"
#include "datatools/image/image_texts.h"

namespace nubo {

std::vector<unsigned char> DecodeConvertedImageBase64(std::string_view base64) {
  namespace texts = image_texts;
  std::vector<unsigned char> bytes;
  switch (DecodeBoundedBase64(base64, {texts::kMaxBase64Characters, texts::kMaxDecodedBytes},
                              bytes)) {
    case Base64Status::kDecoded:
      return bytes;
    case Base64Status::kEmptyOrTooLong:
      throw std::runtime_error(texts::kBase64TooLong);
    case Base64Status::kInvalidOrTooLarge:
      throw std::runtime_error(texts::kDecodedInvalidOrTooLarge);
    case Base64Status::kDecodeFailed:
      break;
  }
  throw std::runtime_error(texts::kDecodeFailed);
}

}  // namespace nubo
