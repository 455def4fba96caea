#pragma once

#include <cstdint>

// Titles, filters and limits of the open and save dialogs.
namespace nubo::dialog_texts {

inline constexpr uint64_t kMinBufferUnits = 4;
inline constexpr uint64_t kMaxBufferUnits = 0xFFFFFFFFu;

inline constexpr wchar_t kSaveImageTitle[] = L"保存转换后的图片";
inline constexpr wchar_t kNewDatabaseTitle[] = L"新建 SQLite 数据库";
inline constexpr wchar_t kOpenDatabaseTitle[] = L"打开 SQLite 数据库";

// Filter texts hold their pairs separated by NUL and end with a double NUL.
inline constexpr wchar_t kDatabaseFilter[] =
    L"SQLite 数据库 (*.db;*.sqlite;*.sqlite3)\0*.db;*.sqlite;*.sqlite3\0所有文件 (*.*)\0*.*\0";
inline constexpr wchar_t kDatabaseDefaultExtension[] = L"db";

struct ImageDialogFormat {
  const wchar_t* format;
  const wchar_t* filter;
  const wchar_t* defaultExtension;
};

inline constexpr ImageDialogFormat kImageDialogFormats[] = {
    {L"png", L"PNG 图片 (*.png)\0*.png\0", L"png"},
    {L"jpeg", L"JPEG 图片 (*.jpg;*.jpeg)\0*.jpg;*.jpeg\0", L"jpg"},
    {L"webp", L"WebP 图片 (*.webp)\0*.webp\0", L"webp"},
    {L"ico", L"Windows 图标 (*.ico)\0*.ico\0", L"ico"},
};

// The question before a save replaces a file the dialog did not name:
// prefix + the file's name + suffix.
inline constexpr wchar_t kReplacePromptPrefix[] = L"“";
inline constexpr wchar_t kReplacePromptSuffix[] = L"”已存在。\n要替换它吗？";

// A request that would open a second modal dialog while one is open.
inline constexpr char kDialogAlreadyOpen[] = "已有一个文件窗口正在打开，请先完成或关闭它。";

}  // namespace nubo::dialog_texts
