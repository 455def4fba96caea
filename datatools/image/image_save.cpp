#include "datatools/image/image_save.h"

#include <stdexcept>
#include <vector>

#include "characters/ico_writer.h"
#include "datatools/dialogs/dialog_path_buffer.h"
#include "datatools/image/image_decode.h"
#include "datatools/image/image_formats.h"
#include "datatools/image/image_texts.h"
#include "datatools/image/suggested_name.h"
#include "store/file_utils.h"
#include "store/text_convert.h"

namespace nubo {
namespace {

namespace texts = image_texts;

void WriteTemporaryFile(const std::wstring& path, std::string_view format,
                        const std::vector<unsigned char>& bytes) {
  if (format == "ico") {
    if (!WriteIcoFile(path.c_str(), bytes.data(), bytes.size())) {
      throw std::runtime_error(texts::kIcoWriteFailed);
    }
    return;
  }
  WriteFileComplete(path, bytes.data(), bytes.size());
}

}  // namespace

ImageSaveResult SaveConvertedImage(HWND owner, std::string_view dataUrl, std::string_view format,
                                   std::string_view suggestedBaseName,
                                   const SaveImageDialog& showDialog,
                                   const ReplaceQuestion& askReplace) {
  if (suggestedBaseName.size() > texts::kMaxSuggestedNameBytes) {
    throw std::runtime_error(texts::kNameTooLong);
  }
  const std::string prefix = ImageFormatDataUrlPrefix(format);
  if (!dataUrl.starts_with(prefix)) throw std::runtime_error(texts::kContentMismatch);
  const std::vector<unsigned char> bytes = DecodeConvertedImageBase64(dataUrl.substr(prefix.size()));
  if (!HasImageSignature(format, bytes)) throw std::runtime_error(texts::kSignatureMismatch);

  const std::wstring initialName = SuggestedImageFileName(suggestedBaseName, format);
  const std::wstring wideFormat = Utf8ToUtf16(format);
  DialogPathBuffer buffer;
  const int chosen = showDialog(owner, wideFormat.c_str(), initialName.c_str(), buffer.data(),
                                buffer.size());
  const ImageSaveResult cancelled{true, {}, 0};
  if (chosen == 0) return cancelled;
  if (chosen != 1) throw std::runtime_error(texts::kDialogFailed);

  const std::wstring chosenPath = buffer.Path();
  const std::wstring finalPath = WithImageExtension(chosenPath, format);
  if (finalPath != chosenPath && FileExists(finalPath)) {
    const int replace = askReplace(owner, finalPath.c_str());
    if (replace == 0) return cancelled;
    if (replace != 1) throw std::runtime_error(texts::kDialogFailed);
  }
  WriteThroughTemporary(finalPath, texts::kTemporarySuffix, [&](const std::wstring& temporary) {
    WriteTemporaryFile(temporary, format, bytes);
  });
  return ImageSaveResult{false, Utf16ToUtf8(finalPath), FileSizeOrZero(finalPath)};
}

}  // namespace nubo
