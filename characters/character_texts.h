#pragma once

#include <string_view>

#include "characters/character_limits.h"

// User-facing texts and names of the character wardrobe and the custom
// application icon.
namespace nubo::character_texts {

// Built-in characters.
inline constexpr std::string_view kBuiltinId = "builtin";
inline constexpr std::string_view kPackagedGirlId = "builtin-girl";
inline constexpr wchar_t kPackagedGirlPicture[] = L"assets\\private-default-girl.png";

// Custom characters.
inline constexpr std::string_view kLayoutSingle = "single";
inline constexpr std::string_view kLayoutSheet = "sheet";
inline constexpr std::string_view kIdPrefix = "character-";
inline constexpr wchar_t kPictureFilePrefix[] = L"character-";
inline constexpr wchar_t kUploadingSuffix[] = L".uploading";
inline constexpr wchar_t kUpdatingSuffix[] = L".updating";
inline constexpr wchar_t kIconFilePrefix[] = L"assistant-icon-";
inline constexpr wchar_t kIconFileExtension[] = L".ico";
inline constexpr std::string_view kAppliedFlag = "1";
// Never shown: the shortcut's upkeep stays silent.
inline constexpr char kShortcutSaveFailed[] = "Unable to save the shortcut.";

// Data URLs of character pictures.
inline constexpr std::string_view kPngDataUrlPrefix = "data:image/png;base64,";
inline constexpr std::string_view kWebpDataUrlPrefix = "data:image/webp;base64,";
inline constexpr std::string_view kPngExtension = ".png";
inline constexpr std::string_view kWebpExtension = ".webp";

// Failures of the requests.
inline constexpr std::string_view kWardrobeFull = "角色衣柜最多保存 12 个自定义角色。";
static_assert(character_limits::kMaxCustomCharacters == 12);
inline constexpr std::string_view kBadName = "衣柜款式名称需要是 1 到 20 个左右的可见字符。";
static_assert(character_limits::kNameMaxCodePoints == 20);
inline constexpr std::string_view kBadLayout = "请选择单图或 4×2 动作精灵图。";
inline constexpr std::string_view kUnsupportedImageType = "角色图片只支持 PNG 或 WebP。";
inline constexpr std::string_view kImageTooLarge = "角色图片不能超过 4 MB。";
inline constexpr std::string_view kImageInvalidOrTooLarge = "角色图片数据无效或超过 4 MB。";
static_assert(character_limits::kMaxDecodedBytes == 4 * 1024 * 1024);
inline constexpr std::string_view kImageUnreadable = "无法读取角色图片。";
inline constexpr std::string_view kSignatureMismatch = "图片内容与文件格式不一致。";
inline constexpr std::string_view kCharacterNotFound = "找不到这个角色，可能已经被删除。";
inline constexpr std::string_view kIconMustBePng = "小助手图标必须使用 PNG 格式。";
inline constexpr std::string_view kIconWriteFailed = "无法生成当前角色的小助手图标。";
inline constexpr std::string_view kCannotDelete = "内置角色不能删除，或角色已经不存在。";
// The stored wardrobe could not be read at start-up: storing a new list now
// would overwrite the user's characters.
inline constexpr std::string_view kWardrobeUnreadable = "角色衣柜暂时无法读取，请重新启动星朵助手后再上传。";

// Pushes.
inline constexpr std::string_view kPetActionType = "pet.action";
inline constexpr std::string_view kWaveAction = "wave";

// Desktop shortcuts: the current name first, then the older names in the
// order in which they are looked for.
inline constexpr const wchar_t* kShortcutNames[] = {L"星朵助手.lnk", L"朵朵工作台.lnk",
                                                    L"可爱朵朵小助手.lnk", L"可爱朵朵桌面宠物.lnk"};

}  // namespace nubo::character_texts
