#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "datatools/dialogs/file_dialogs.h"
#include "datatools/image/image_save.h"
#include "tests/datatools/dialogs/dialog_driver.h"
#include "tests/support/temp_dir.h"

namespace nubo {
namespace {

using nubo::testing::DialogDriver;
using nubo::testing::FileNameField;
using nubo::testing::PressButton;
using nubo::testing::TempDir;
using nubo::testing::TypeFileName;
using nubo::testing::WaitForDialog;
using nubo::testing::WaitUntilClosed;
using nubo::testing::WindowText;
using nubo::testing::ListFolder;
using nubo::testing::ReadWholeFile;
using nubo::testing::WriteWholeFile;

constexpr uint64_t kUnits = 32768;

// These drive the real system dialogs; dialog_smoke.sh runs them in a Wine
// session and on a display of their own.

TEST(SaveImageDialog, ReturnsTheTypedNameWithTheDefaultExtension) {
  TempDir dir;
  std::vector<wchar_t> buffer(kUnits, L'?');
  std::wstring shownName;
  DialogDriver driver(L"保存转换后的图片", [&](HWND dialog) {
    shownName = WindowText(FileNameField(dialog));
    TypeFileName(dialog, dir.file(L"猫咪"));
    PressButton(dialog, IDOK);
  });
  const int result = ShowSaveImageDialog(nullptr, L"png", L"picture.png", buffer.data(), kUnits);
  ASSERT_TRUE(driver.Finish()) << "the dialog did not show";
  EXPECT_EQ(result, 1);
  EXPECT_EQ(std::wstring(buffer.data()), dir.file(L"猫咪.png"));
  EXPECT_EQ(shownName, L"picture.png");
}

TEST(SaveImageDialog, CancelAnswersZero) {
  std::vector<wchar_t> buffer(kUnits, L'\0');
  DialogDriver driver(L"保存转换后的图片", [](HWND dialog) { PressButton(dialog, IDCANCEL); });
  EXPECT_EQ(ShowSaveImageDialog(nullptr, L"jpeg", L"x.jpg", buffer.data(), kUnits), 0);
  EXPECT_TRUE(driver.Finish());
}

TEST(DatabaseFileDialog, CreateModeTakesAnExistingFileWithoutAsking) {
  TempDir dir;
  const std::wstring existing = dir.file(L"existing.db");
  WriteWholeFile(existing, "");
  std::vector<wchar_t> buffer(kUnits, L'\0');
  bool asked = false;
  DialogDriver driver(L"新建 SQLite 数据库", [&](HWND dialog) {
    TypeFileName(dialog, existing);
    PressButton(dialog, IDOK);
    if (!WaitUntilClosed(dialog, 5000)) {  // an overwrite prompt keeps it open
      asked = true;
      if (HWND prompt = WaitForDialog(GetWindowThreadProcessId(dialog, nullptr), L"", dialog, 2000)) {
        PressButton(prompt, IDCANCEL);
      }
      PressButton(dialog, IDCANCEL);
    }
  });
  const int result = ShowDatabaseFileDialog(nullptr, true, buffer.data(), kUnits);
  ASSERT_TRUE(driver.Finish());
  EXPECT_FALSE(asked);
  EXPECT_EQ(result, 1);
  EXPECT_EQ(std::wstring(buffer.data()), existing);
}

TEST(DatabaseFileDialog, OpenModeTakesAnExistingFileAndRefusesAMissingOne) {
  TempDir dir;
  const std::wstring existing = dir.file(L"data.sqlite3");
  WriteWholeFile(existing, "");
  std::vector<wchar_t> buffer(kUnits, L'\0');
  DialogDriver opened(L"打开 SQLite 数据库", [&](HWND dialog) {
    TypeFileName(dialog, existing);
    PressButton(dialog, IDOK);
  });
  EXPECT_EQ(ShowDatabaseFileDialog(nullptr, false, buffer.data(), kUnits), 1);
  ASSERT_TRUE(opened.Finish());
  EXPECT_EQ(std::wstring(buffer.data()), existing);

  bool stayedOpen = false;
  DialogDriver refused(L"打开 SQLite 数据库", [&](HWND dialog) {
    TypeFileName(dialog, dir.file(L"missing.db"));
    PressButton(dialog, IDOK);
    stayedOpen = !WaitUntilClosed(dialog, 1500);
    if (HWND notice = WaitForDialog(GetWindowThreadProcessId(dialog, nullptr), L"", dialog, 3000)) {
      PressButton(notice, IDOK);
    }
    PressButton(dialog, IDCANCEL);
  });
  EXPECT_EQ(ShowDatabaseFileDialog(nullptr, false, buffer.data(), kUnits), 0);
  ASSERT_TRUE(refused.Finish());
  EXPECT_TRUE(stayedOpen);
}

TEST(SaveImageDialog, SavesAConvertedImageWhereTheUserChose) {
  TempDir dir;
  DialogDriver driver(L"保存转换后的图片", [&](HWND dialog) {
    TypeFileName(dialog, dir.file(L"icon"));
    PressButton(dialog, IDOK);
  });
  // "data:image/png;base64," and the eight signature bytes with "ok".
  const ImageSaveResult saved =
      SaveConvertedImage(nullptr, "data:image/png;base64,iVBORw0KGgpvaw==", "ico", "app");
  ASSERT_TRUE(driver.Finish());
  EXPECT_FALSE(saved.cancelled);
  EXPECT_EQ(saved.sizeBytes, 32u);
  EXPECT_EQ(ReadWholeFile(dir.file(L"icon.ico")).substr(22), std::string("\x89PNG\r\n\x1A\nok", 10));
  EXPECT_EQ(ListFolder(dir.path()), L"icon.ico");
}

// The folder holds "photo.jpg.png"; the user types "photo.jpg", which the
// dialog has no reason to ask about, and answers the box that follows no.
TEST(SaveImageDialog, AnAppendedNameThatExistsIsKeptWhenTheUserSaysNo) {
  TempDir dir;
  const std::wstring existing = dir.file(L"photo.jpg.png");
  WriteWholeFile(existing, "the user's picture");
  std::wstring question;
  DialogDriver driver(L"保存转换后的图片", [&](HWND dialog) {
    const DWORD thread = GetWindowThreadProcessId(dialog, nullptr);
    TypeFileName(dialog, dir.file(L"photo.jpg"));
    PressButton(dialog, IDOK);
    WaitUntilClosed(dialog, 5000);
    if (HWND box = WaitForDialog(thread, L"保存转换后的图片", dialog, 5000)) {
      question = WindowText(GetDlgItem(box, 0xFFFF));
      PressButton(box, IDNO);
    }
  });
  const ImageSaveResult saved =
      SaveConvertedImage(nullptr, "data:image/png;base64,iVBORw0KGgpvaw==", "png", "photo");
  ASSERT_TRUE(driver.Finish());
  EXPECT_TRUE(saved.cancelled);
  EXPECT_EQ(question, L"“photo.jpg.png”已存在。\n要替换它吗？");
  EXPECT_EQ(ReadWholeFile(existing), "the user's picture");
  EXPECT_EQ(ListFolder(dir.path()), L"photo.jpg.png");
}

}  // namespace
}  // namespace nubo
