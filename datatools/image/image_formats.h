#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace nubo {

// "data:image/...;base64," of "png", "jpeg", "webp" or "ico" (an icon is
// made from a PNG); throws "不支持这个图片输出格式。" for any other format.
std::string ImageFormatDataUrlPrefix(std::string_view format);

// ".jpg" for "jpeg", otherwise "." followed by the format.
std::wstring ImageFormatExtension(std::string_view format);

// The decoded bytes begin with the signature of the format's file type.
bool HasImageSignature(std::string_view format, const std::vector<unsigned char>& bytes);

// The chosen path with the format's extension appended unless it already
// ends with it (any case; ".jpeg" also counts for "jpeg").
std::wstring WithImageExtension(const std::wstring& path, std::string_view format);

}  // namespace nubo
