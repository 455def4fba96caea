#include <gtest/gtest.h>
#include <windows.h>

#include <stdexcept>
#include <string>

#include "datatools/image/image_save.h"
#include "store/text_convert.h"
#include "store/win_handles.h"
#include "tests/characters/picture_bytes.h"
#include "tests/datatools/image/image_test_helpers.h"
#include "tests/support/case_name.h"
#include "tests/support/import_patch.h"
#include "tests/support/failure_text.h"
#include "tests/support/temp_dir.h"

namespace nubo {
namespace {

using nubo::testing::DataUrl;
using nubo::testing::FailureText;
using nubo::testing::FakeSaveDialog;
using nubo::testing::ListFolder;
using nubo::testing::ReadWholeFile;
using nubo::testing::SignedImage;
using nubo::testing::TempDir;
using nubo::testing::WriteWholeFile;

constexpr uint32_t k32MiB = 32u * 1024 * 1024;

struct RefusalCase {
  std::string name;
  std::string format;
  std::string dataUrl;
  std::string baseName;
  std::string expected;
};

class ImageSaveRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(ImageSaveRefusal, RefusesBeforeAnyDialogAndWritesNothing) {
  TempDir dir;
  FakeSaveDialog dialog;
  dialog.chosen = dir.file(L"out");
  const RefusalCase& c = GetParam();
  EXPECT_EQ(FailureText([&] {
              SaveConvertedImage(nullptr, c.dataUrl, c.format, c.baseName, dialog.Dialog());
            }),
            c.expected);
  EXPECT_EQ(dialog.calls, 0);
  EXPECT_EQ(ListFolder(dir.path()), L"");
}

const std::string kPng = SignedImage("png", 64);
const std::string kJpeg = SignedImage("jpeg", 64);

INSTANTIATE_TEST_SUITE_P(
    Checks, ImageSaveRefusal,
    ::testing::Values(
        RefusalCase{"BaseNameOver512Bytes", "png", DataUrl("png", kPng), std::string(513, 'a'),
                    "建议的图片文件名过长。"},
        RefusalCase{"UnknownFormat", "gif", DataUrl("gif", kPng), "a", "不支持这个图片输出格式。"},
        RefusalCase{"UpperCaseFormat", "PNG", DataUrl("png", kPng), "a", "不支持这个图片输出格式。"},
        RefusalCase{"EmptyFormat", "", DataUrl("png", kPng), "a", "不支持这个图片输出格式。"},
        RefusalCase{"JpegUrlForPng", "png", DataUrl("jpeg", kJpeg), "a", "图片内容与所选输出格式不一致。"},
        RefusalCase{"PngUrlForJpeg", "jpeg", DataUrl("png", kPng), "a", "图片内容与所选输出格式不一致。"},
        RefusalCase{"IconUrlForIco", "ico", DataUrl("x-icon", kPng), "a", "图片内容与所选输出格式不一致。"},
        RefusalCase{"PrefixInOtherCase", "png", "DATA:image/png;base64," + nubo::testing::Base64Encode(kPng),
                    "a", "图片内容与所选输出格式不一致。"},
        RefusalCase{"ShorterThanPrefix", "png", "data:image/png", "a", "图片内容与所选输出格式不一致。"},
        RefusalCase{"NothingAfterPrefix", "png", "data:image/png;base64,", "a",
                    "转换后的图片过大，请降低尺寸或质量。"},
        RefusalCase{"NotBase64", "png", "data:image/png;base64,@@@@", "a",
                    "转换后的图片数据无效或超过 32 MB。"},
        RefusalCase{"JpegBytesAsPng", "png", DataUrl("png", kJpeg), "a", "图片签名校验失败。"},
        RefusalCase{"JpegBytesAsIco", "ico", DataUrl("png", kJpeg), "a", "图片签名校验失败。"},
        RefusalCase{"TwoByteJpeg", "jpeg", DataUrl("jpeg", "\xFF\xD8"), "a", "图片签名校验失败。"},
        RefusalCase{"RiffWithoutWebp", "webp", DataUrl("webp", std::string("RIFF\0\0\0\0WAVEfmt ", 16)),
                    "a", "图片签名校验失败。"},
        RefusalCase{"ElevenByteWebp", "webp", DataUrl("webp", std::string("RIFF\0\0\0\0WEB", 11)), "a",
                    "图片签名校验失败。"},
        RefusalCase{"IllFormedBaseName", "png", DataUrl("png", kPng), "caf\xE9",
                    "Unable to convert UTF-8 text to UTF-16."}),
    nubo::testing::CaseName());

TEST(ImageSave, DecodedSizeOf32MiBIsAcceptedAndOneByteMoreIsNot) {
  TempDir dir;
  FakeSaveDialog dialog;
  dialog.answer = 0;
  const std::string largest = DataUrl("png", SignedImage("png", k32MiB));
  const ImageSaveResult cancelled =
      SaveConvertedImage(nullptr, largest, "png", "big", dialog.Dialog());
  EXPECT_TRUE(cancelled.cancelled);
  EXPECT_EQ(dialog.calls, 1);

  const std::string tooLarge = DataUrl("png", SignedImage("png", k32MiB + 1));
  EXPECT_EQ(FailureText([&] { SaveConvertedImage(nullptr, tooLarge, "png", "big", dialog.Dialog()); }),
            "转换后的图片数据无效或超过 32 MB。");
  EXPECT_EQ(dialog.calls, 1);
}

TEST(ImageSave, Base64TextIsBoundedTo64MiCharacters) {
  FakeSaveDialog dialog;
  const std::string prefix = "data:image/png;base64,";
  std::string text = prefix + std::string(67108864, 'A');
  // Within the character bound; its 48 MiB of decoded bytes are not.
  EXPECT_EQ(FailureText([&] { SaveConvertedImage(nullptr, text, "png", "a", dialog.Dialog()); }),
            "转换后的图片数据无效或超过 32 MB。");
  text.push_back('A');
  EXPECT_EQ(FailureText([&] { SaveConvertedImage(nullptr, text, "png", "a", dialog.Dialog()); }),
            "转换后的图片过大，请降低尺寸或质量。");
  EXPECT_EQ(dialog.calls, 0);
}

TEST(ImageSave, ShowsTheDialogWithTheFormatAndSuggestedName) {
  TempDir dir;
  FakeSaveDialog dialog;
  dialog.answer = 0;
  const HWND owner = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x1234));
  SaveConvertedImage(owner, DataUrl("jpeg", kJpeg), "jpeg", "holiday: day/1", dialog.Dialog());
  EXPECT_EQ(dialog.owner, owner);
  EXPECT_EQ(dialog.format, L"jpeg");
  EXPECT_EQ(dialog.initialName, L"holiday day1.jpg");
  EXPECT_EQ(dialog.bufferUnits, 32768u);
}

TEST(ImageSave, WritesTheDecodedBytesAndReportsPathAndSize) {
  TempDir dir;
  FakeSaveDialog dialog;
  dialog.chosen = dir.file(L"照片.png");
  WriteWholeFile(dialog.chosen, "an older picture");
  WriteWholeFile(dialog.chosen + L".converting", "the user's own");
  const std::string png = SignedImage("png", 5000);
  const ImageSaveResult saved = SaveConvertedImage(nullptr, DataUrl("png", png), "png", "照片",
                                                   dialog.Dialog(), dialog.Question());
  EXPECT_FALSE(saved.cancelled);
  EXPECT_EQ(saved.path, Utf16ToUtf8(dialog.chosen));
  EXPECT_EQ(saved.sizeBytes, 5000u);
  EXPECT_EQ(ReadWholeFile(dialog.chosen), png);
  EXPECT_EQ(dialog.questions, 0);  // the dialog itself asked about this name
  EXPECT_EQ(ReadWholeFile(dialog.chosen + L".converting"), "the user's own");
  EXPECT_EQ(ListFolder(dir.path()), L"照片.png,照片.png.converting");
}

// The user types "photo.jpg"; the dialog asks nothing, as no such file
// exists, but the extension added to it names the user's "photo.jpg.png".
TEST(ImageSave, AnAppendedNameThatExistsIsReplacedOnlyAfterAYes) {
  const struct {
    int answer;
    bool replaced;
    std::string failure;
  } cases[] = {
      {0, false, "(no failure)"}, {-1, false, "无法打开图片保存窗口。"}, {1, true, "(no failure)"}};
  for (const auto& c : cases) {
    TempDir dir;
    FakeSaveDialog dialog;
    dialog.chosen = dir.file(L"photo.jpg");
    dialog.replaceAnswer = c.answer;
    const std::wstring existing = dir.file(L"photo.jpg.png");
    WriteWholeFile(existing, "the user's picture");
    const HWND owner = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x5678));
    ImageSaveResult saved;
    const std::string failure = FailureText([&] {
      saved = SaveConvertedImage(owner, DataUrl("png", kPng), "png", "photo", dialog.Dialog(),
                                 dialog.Question());
    });
    EXPECT_EQ(failure, c.failure) << c.answer;
    EXPECT_EQ(dialog.questions, 1);
    EXPECT_EQ(dialog.askedPath, existing);
    EXPECT_EQ(dialog.askedOwner, owner);
    EXPECT_EQ(saved.cancelled, c.answer == 0);
    EXPECT_EQ(ReadWholeFile(existing), c.replaced ? kPng : "the user's picture");
    EXPECT_EQ(ListFolder(dir.path()), L"photo.jpg.png");
  }
}

TEST(ImageSave, IconWrapsThePngInASingleImageIcoFile) {
  TempDir dir;
  FakeSaveDialog dialog;
  dialog.chosen = dir.file(L"app");
  const std::string png = SignedImage("png", 1000);
  const ImageSaveResult saved =
      SaveConvertedImage(nullptr, DataUrl("png", png), "ico", "app", dialog.Dialog());
  EXPECT_EQ(saved.path, Utf16ToUtf8(dir.file(L"app.ico")));
  EXPECT_EQ(saved.sizeBytes, 1022u);
  const std::string expected = std::string("\0\0\1\0\1\0\0\0\0\0\1\0\x20\0\xE8\x03\0\0\x16\0\0\0", 22) + png;
  EXPECT_EQ(ReadWholeFile(dir.file(L"app.ico")), expected);
  EXPECT_EQ(ListFolder(dir.path()), L"app.ico");
}

struct ExtensionCase {
  std::string name;
  std::string format;
  std::wstring chosen;
  std::wstring expected;
};

class ImageSaveExtension : public ::testing::TestWithParam<ExtensionCase> {};

TEST_P(ImageSaveExtension, AppendsTheExtensionOnlyWhenMissing) {
  TempDir dir;
  FakeSaveDialog dialog;
  dialog.chosen = dir.file(GetParam().chosen);
  const std::string format = GetParam().format;
  const std::string bytes = SignedImage(format == "ico" ? "png" : format, 32);
  const std::string mime = format == "ico" ? "png" : format;
  const ImageSaveResult saved =
      SaveConvertedImage(nullptr, DataUrl(mime, bytes), format, "x", dialog.Dialog());
  EXPECT_EQ(saved.path, Utf16ToUtf8(dir.file(GetParam().expected)));
  EXPECT_EQ(ListFolder(dir.path()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ImageSaveExtension,
    ::testing::Values(ExtensionCase{"JpegKeepsUpperJpeg", "jpeg", L"photo.JPEG", L"photo.JPEG"},
                      ExtensionCase{"JpegKeepsJpg", "jpeg", L"photo.Jpg", L"photo.Jpg"},
                      ExtensionCase{"JpegAfterPng", "jpeg", L"photo.png", L"photo.png.jpg"},
                      ExtensionCase{"PngAdded", "png", L"photo", L"photo.png"},
                      ExtensionCase{"PngKept", "png", L"photo.PNG", L"photo.PNG"},
                      ExtensionCase{"PngDoesNotTakeJpeg", "png", L"photo.jpeg", L"photo.jpeg.png"},
                      ExtensionCase{"WebpKept", "webp", L"photo.WebP", L"photo.WebP"},
                      ExtensionCase{"IcoAfterPng", "ico", L"icon.png", L"icon.png.ico"},
                      ExtensionCase{"IcoKept", "ico", L"icon.ICO", L"icon.ICO"}),
    nubo::testing::CaseName());

TEST(ImageSave, CancelAndDialogFailureWriteNothing) {
  TempDir dir;
  FakeSaveDialog dialog;
  dialog.chosen = dir.file(L"never.png");
  dialog.answer = 0;
  const ImageSaveResult cancelled =
      SaveConvertedImage(nullptr, DataUrl("png", kPng), "png", "a", dialog.Dialog());
  EXPECT_TRUE(cancelled.cancelled);
  EXPECT_EQ(cancelled.path, "");
  EXPECT_EQ(cancelled.sizeBytes, 0u);

  dialog.answer = -1;
  EXPECT_EQ(FailureText([&] {
              SaveConvertedImage(nullptr, DataUrl("png", kPng), "png", "a", dialog.Dialog());
            }),
            "无法打开图片保存窗口。");
  EXPECT_EQ(ListFolder(dir.path()), L"");
}

TEST(ImageSave, FailedMoveKeepsTheTargetAndRemovesTheTemporaryFile) {
  TempDir dir;
  FakeSaveDialog dialog;
  dialog.chosen = dir.file(L"busy.png");
  WriteWholeFile(dialog.chosen, "kept");
  {
    FileHandle holder(CreateFileW(dialog.chosen.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(holder);
    EXPECT_EQ(FailureText([&] {
                SaveConvertedImage(nullptr, DataUrl("png", kPng), "png", "a", dialog.Dialog());
              }),
              "Unable to move the completed file.");
  }
  EXPECT_EQ(ReadWholeFile(dialog.chosen), "kept");
  EXPECT_EQ(ListFolder(dir.path()), L"busy.png");
}

TEST(ImageSave, MissingFolderFailsWithoutLeavingAFile) {
  TempDir dir;
  FakeSaveDialog dialog;
  dialog.chosen = dir.file(L"gone\\a.png");
  EXPECT_EQ(FailureText([&] {
              SaveConvertedImage(nullptr, DataUrl("png", kPng), "png", "a", dialog.Dialog());
            }),
            "Unable to create the output file.");
  dialog.chosen = dir.file(L"gone\\a.ico");
  EXPECT_EQ(FailureText([&] {
              SaveConvertedImage(nullptr, DataUrl("png", kPng), "ico", "a", dialog.Dialog());
            }),
            "无法生成 Windows ICO 文件。");
  EXPECT_EQ(ListFolder(dir.path()), L"");
}

BOOL WINAPI FailingFlush(HANDLE) {
  SetLastError(ERROR_WRITE_FAULT);
  return FALSE;
}

TEST(ImageSave, FailedWriteKeepsTheTargetAndRemovesTheTemporaryFile) {
  TempDir dir;
  FakeSaveDialog dialog;
  dialog.chosen = dir.file(L"kept.png");
  WriteWholeFile(dialog.chosen, "old png");
  const std::wstring icon = dir.file(L"kept.ico");
  WriteWholeFile(icon, "old ico");
  WriteWholeFile(icon + L".converting", "the user's own");
  nubo::testing::ImportPatch patch("kernel32.dll", "FlushFileBuffers",
                                   reinterpret_cast<void*>(&FailingFlush));
  EXPECT_EQ(FailureText([&] {
              SaveConvertedImage(nullptr, DataUrl("png", kPng), "png", "a", dialog.Dialog());
            }),
            "Unable to write the complete output file.");
  dialog.chosen = icon;
  EXPECT_EQ(FailureText([&] {
              SaveConvertedImage(nullptr, DataUrl("png", kPng), "ico", "a", dialog.Dialog());
            }),
            "无法生成 Windows ICO 文件。");
  EXPECT_EQ(ReadWholeFile(dir.file(L"kept.png")), "old png");
  EXPECT_EQ(ReadWholeFile(icon), "old ico");
  EXPECT_EQ(ReadWholeFile(icon + L".converting"), "the user's own");
  EXPECT_EQ(ListFolder(dir.path()), L"kept.ico,kept.ico.converting,kept.png");
}

}  // namespace
}  // namespace nubo
