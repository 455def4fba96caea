#pragma once

#include <cstddef>

// User-facing texts, names and limits of the character wardrobe and the custom
// application icon.
namespace nubo::character_texts {

// Built-in characters.
inline constexpr char kBuiltinId[] = "builtin";
inline constexpr char kPackagedGirlId[] = "builtin-girl";
inline constexpr wchar_t kPackagedGirlPicture[] = L"assets\\private-default-girl.png";

// Custom characters.
inline constexpr size_t kMaxCustomCharacters = 12;
inline constexpr size_t kNameMaxCodePoints = 20;
inline constexpr char kLayoutSingle[] = "single";
inline constexpr char kLayoutSheet[] = "sheet";
inline constexpr char kIdPrefix[] = "character-";
inline constexpr wchar_t kUploadingSuffix[] = L".uploading";
inline constexpr wchar_t kUpdatingSuffix[] = L".updating";
inline constexpr wchar_t kIconFilePrefix[] = L"assistant-icon-";
inline constexpr wchar_t kIconFileExtension[] = L".ico";
inline constexpr char kAppliedFlag[] = "1";

// Data URLs of character pictures.
inline constexpr char kPngDataUrlPrefix[] = "data:image/png;base64,";
inline constexpr char kWebpDataUrlPrefix[] = "data:image/webp;base64,";
inline constexpr char kPngExtension[] = ".png";
inline constexpr char kWebpExtension[] = ".webp";
inline constexpr size_t kMaxBase64Characters = 8'388'608;
inline constexpr size_t kMaxDecodedBytes = 4'194'304;

// Failures of the requests.
inline constexpr char kWardrobeFull[] = "角色衣柜最多保存 12 个自定义角色。";
inline constexpr char kBadName[] = "衣柜款式名称需要是 1 到 20 个左右的可见字符。";
inline constexpr char kBadLayout[] = "请选择单图或 4×2 动作精灵图。";
inline constexpr char kUnsupportedImageType[] = "角色图片只支持 PNG 或 WebP。";
inline constexpr char kImageTooLarge[] = "角色图片不能超过 4 MB。";
inline constexpr char kImageInvalidOrTooLarge[] = "角色图片数据无效或超过 4 MB。";
inline constexpr char kImageUnreadable[] = "无法读取角色图片。";
inline constexpr char kSignatureMismatch[] = "图片内容与文件格式不一致。";
inline constexpr char kCharacterNotFound[] = "找不到这个角色，可能已经被删除。";
inline constexpr char kIconMustBePng[] = "小助手图标必须使用 PNG 格式。";
inline constexpr char kIconWriteFailed[] = "无法生成当前角色的小助手图标。";
inline constexpr char kCannotDelete[] = "内置角色不能删除，或角色已经不存在。";
// The stored wardrobe could not be read at start-up: storing a new list now
// would overwrite the user's characters.
inline constexpr char kWardrobeUnreadable[] = "角色衣柜暂时无法读取，请重新启动星朵助手后再上传。";

// Pushes.
inline constexpr char kPetActionType[] = "pet.action";
inline constexpr char kWaveAction[] = "wave";

// Desktop shortcuts: the current name first, then the older names in the
// order in which they are looked for.
inline constexpr const wchar_t* kShortcutNames[] = {L"星朵助手.lnk", L"朵朵工作台.lnk",
                                                    L"可爱朵朵小助手.lnk", L"可爱朵朵桌面宠物.lnk"};

}  // namespace nubo::character_texts
