#pragma once

#include <cstddef>
#include <cstdint>

// Limits and user-facing texts of image save.
namespace nubo::image_texts {

inline constexpr size_t kMaxSuggestedNameBytes = 512;
inline constexpr size_t kMaxSuggestedNameUnits = 80;
inline constexpr size_t kMaxBase64Characters = 67108864;  // 64 Mi
inline constexpr uint32_t kMaxDecodedBytes = 33554432;    // 32 MiB

inline constexpr char kDefaultBaseName[] = "converted-image";
inline constexpr wchar_t kTemporarySuffix[] = L".converting";

inline constexpr char kNameTooLong[] = "建议的图片文件名过长。";
inline constexpr char kUnsupportedFormat[] = "不支持这个图片输出格式。";
inline constexpr char kContentMismatch[] = "图片内容与所选输出格式不一致。";
inline constexpr char kSignatureMismatch[] = "图片签名校验失败。";
inline constexpr char kDialogFailed[] = "无法打开图片保存窗口。";
inline constexpr char kIcoWriteFailed[] = "无法生成 Windows ICO 文件。";
inline constexpr char kBase64TooLong[] = "转换后的图片过大，请降低尺寸或质量。";
static_assert(kMaxDecodedBytes == 32 * 1024 * 1024);
inline constexpr char kDecodedInvalidOrTooLarge[] = "转换后的图片数据无效或超过 32 MB。";
inline constexpr char kDecodeFailed[] = "无法解码转换后的图片。";

}  // namespace nubo::image_texts
