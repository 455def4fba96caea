#include "ui_bridge/image_routes.h"

#include <stdexcept>
#include <string>

#include "datatools/image/image_save.h"
#include "datatools/image/image_texts.h"
#include "ui_bridge/data_route_texts.h"
#include "ui_bridge/dispatch_texts.h"
#include "ui_bridge/field_readers.h"
#include "ui_bridge/route_limits.h"

namespace nubo {
namespace {

// The data URL may hold 64 Mi characters: read in place, not copied, with
// the same answers as a value-with-default read (missing gives "", another
// type raises the library's type error).
std::string_view ReadLargeTextOrEmpty(const Json& payload, const char* name) {
  if (payload.is_object()) {
    const auto member = payload.find(name);
    if (member != payload.end() && member->is_string()) {
      return member->get_ref<const std::string&>();
    }
  }
  (void)ReadTextOr(payload, name, "");
  return {};
}

Json Save(DataRouteContext& context, std::string_view type, const Json& payload) {
  const std::string requestId = ReadTextOr(payload, "requestId", "");
  if (!IsValidRequestId(requestId, route_limits::kImageRequestIdMaxBytes)) {
    throw std::runtime_error(data_route_texts::kImageRequestInvalid);
  }
  return WithOwnCatch(type, requestId, [&] {
    const std::string suggestedBaseName =
        ReadTextOr(payload, "suggestedBaseName", image_texts::kDefaultBaseName);
    const std::string format = ReadTextOr(payload, "format", "");
    const std::string_view dataUrl = ReadLargeTextOrEmpty(payload, "dataUrl");
    const SaveImageDialog guardedDialog = [&context](HWND owner, const wchar_t* wideFormat,
                                                     const wchar_t* initialName, wchar_t* buffer,
                                                     uint64_t units) {
      return context.dialogGate.Run([&] {
        return context.dialogs.saveImage(owner, wideFormat, initialName, buffer, units);
      });
    };
    const ReplaceQuestion guardedQuestion = [&context](HWND owner, const wchar_t* path) {
      return context.dialogGate.Run([&] { return context.dialogs.replaceImage(owner, path); });
    };
    const ImageSaveResult saved = SaveConvertedImage(context.owner, dataUrl, format,
                                                     suggestedBaseName, guardedDialog,
                                                     guardedQuestion);
    return MakeResultReply(type, requestId,
                           Json{{"cancelled", saved.cancelled},
                                {"path", saved.path},
                                {"sizeBytes", saved.sizeBytes}});
  });
}

}  // namespace

Json RouteImageRequest(DataRouteContext& context, std::string_view type, const Json& payload) {
  if (type == "image.save") return Save(context, type, payload);
  throw std::runtime_error(std::string(dispatch_texts::kUnsupported));
}

}  // namespace nubo
