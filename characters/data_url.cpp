#include "characters/data_url.h"

#include <stdexcept>

#include "characters/base64_picture.h"
#include "characters/character_limits.h"
#include "characters/character_texts.h"

namespace nubo {
namespace {

namespace texts = character_texts;

std::string_view DecodeFailureText(Base64Status status) {
  switch (status) {
    case Base64Status::kEmptyOrTooLong:
      return texts::kImageTooLarge;
    case Base64Status::kInvalidOrTooLarge:
      return texts::kImageInvalidOrTooLarge;
    default:
      return texts::kImageUnreadable;
  }
}

}  // namespace

DecodedCharacterImage DecodeCharacterImageDataUrl(std::string_view dataUrl) {
  DecodedCharacterImage image;
  std::string_view base64;
  const std::string_view pngPrefix = texts::kPngDataUrlPrefix;
  const std::string_view webpPrefix = texts::kWebpDataUrlPrefix;
  if (dataUrl.starts_with(pngPrefix)) {
    image.extension = texts::kPngExtension;
    base64 = dataUrl.substr(pngPrefix.size());
  } else if (dataUrl.starts_with(webpPrefix)) {
    image.extension = texts::kWebpExtension;
    base64 = dataUrl.substr(webpPrefix.size());
  } else {
    throw std::runtime_error(std::string(texts::kUnsupportedImageType));
  }

  const Base64Status status = DecodeBoundedBase64(
      base64, {character_limits::kMaxBase64Characters, character_limits::kMaxDecodedBytes}, image.bytes);
  if (status != Base64Status::kDecoded) throw std::runtime_error(std::string(DecodeFailureText(status)));

  const bool matches = image.extension == texts::kPngExtension ? HasPngSignature(image.bytes)
                                                               : HasWebpSignature(image.bytes);
  if (!matches) throw std::runtime_error(std::string(texts::kSignatureMismatch));
  return image;
}

}  // namespace nubo
