#pragma once

// Texts the database and image routes answer themselves.
namespace nubo::data_route_texts {

inline constexpr char kImageRequestInvalid[] = "图片保存请求无效。";
inline constexpr char kDatabaseRequestWithoutId[] = "数据库请求缺少有效标识。";
inline constexpr char kFilePickerFailed[] = "无法打开 Windows 文件选择器。";

}  // namespace nubo::data_route_texts
