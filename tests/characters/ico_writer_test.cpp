#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "characters/ico_writer.h"
#include "store/win_handles.h"
#include "tests/support/import_patch.h"
#include "tests/support/temp_dir.h"

namespace nubo {
namespace {

using nubo::testing::ListFolder;
using nubo::testing::ReadWholeFile;
using nubo::testing::TempDir;
using nubo::testing::WriteWholeFile;

std::string FakePng(size_t length) {
  std::string png("\x89PNG\r\n\x1A\n", 8);
  for (size_t i = png.size(); i < length; ++i) png.push_back(static_cast<char>(i * 7));
  png.resize(length);
  return png;
}

TEST(WriteIcoFile, WrapsThePngBehindTheTwentyTwoByteHeader) {
  TempDir dir;
  const std::wstring path = dir.file(L"icon.ico");
  const std::string png = FakePng(1000);
  ASSERT_TRUE(WriteIcoFile(path.c_str(), png.data(), png.size()));

  const std::string ico = ReadWholeFile(path);
  ASSERT_EQ(ico.size(), 1022u);
  const std::string expectedHeader(
      "\x00\x00\x01\x00\x01\x00"   // reserved, icon, one image
      "\x00\x00\x00\x00"           // width, height, colours, reserved
      "\x01\x00\x20\x00"           // planes, bits per pixel
      "\xE8\x03\x00\x00"           // image bytes
      "\x16\x00\x00\x00",          // image offset
      22);
  EXPECT_EQ(ico.substr(0, 22), expectedHeader);
  EXPECT_EQ(ico.substr(22), png);
}

TEST(WriteIcoFile, TakesTheSmallestImageAndReplacesAnOlderFile) {
  TempDir dir;
  const std::wstring path = dir.file(L"icon.ico");
  WriteWholeFile(path, std::string(5000, 'x'));
  const std::string png = FakePng(8);
  ASSERT_TRUE(WriteIcoFile(path.c_str(), png.data(), png.size()));
  const std::string ico = ReadWholeFile(path);
  EXPECT_EQ(ico.size(), 30u);
  EXPECT_EQ(ico.substr(14, 4), std::string("\x08\x00\x00\x00", 4));
}

TEST(WriteIcoFile, RefusesBadArgumentsWithoutCreatingAFile) {
  TempDir dir;
  const std::wstring path = dir.file(L"icon.ico");
  const std::string png = FakePng(8);
  EXPECT_FALSE(WriteIcoFile(path.c_str(), png.data(), 7));
  EXPECT_FALSE(WriteIcoFile(path.c_str(), nullptr, 8));
  EXPECT_FALSE(WriteIcoFile(nullptr, png.data(), 8));
  EXPECT_FALSE(WriteIcoFile(path.c_str(), png.data(), 0x100000000ull));
  EXPECT_EQ(ListFolder(dir.path()), L"");
}

TEST(WriteIcoFile, FailsWhenTheFileCannotBeCreated) {
  TempDir dir;
  const std::string png = FakePng(100);
  const std::wstring inMissingFolder = dir.file(L"missing\\icon.ico");
  EXPECT_FALSE(WriteIcoFile(inMissingFolder.c_str(), png.data(), png.size()));

  // A file held open without sharing cannot be replaced; it keeps its bytes.
  const std::wstring busy = dir.file(L"busy.ico");
  WriteWholeFile(busy, "old");
  {
    FileHandle holder(CreateFileW(busy.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(holder);
    EXPECT_FALSE(WriteIcoFile(busy.c_str(), png.data(), png.size()));
  }
  EXPECT_EQ(ReadWholeFile(busy), "old");
}

TEST(WriteIcoFile, FailedWriteDeletesThePartFile) {
  TempDir dir;
  const std::wstring path = dir.file(L"icon.ico");
  // Readable PNG start followed by a reserved, unreadable page: WriteFile
  // fails part way through the image.
  auto* region = static_cast<char*>(
      VirtualAlloc(nullptr, 2 * 4096, MEM_RESERVE, PAGE_NOACCESS));
  ASSERT_NE(region, nullptr);
  ASSERT_NE(VirtualAlloc(region, 4096, MEM_COMMIT, PAGE_READWRITE), nullptr);
  const std::string png = FakePng(4096);
  std::copy(png.begin(), png.end(), region);
  EXPECT_FALSE(WriteIcoFile(path.c_str(), region, 8192));
  VirtualFree(region, 0, MEM_RELEASE);
  EXPECT_EQ(ListFolder(dir.path()), L"");
}

int g_flushCalls = 0;
int g_flushesLeft = 0;
using FlushFunction = BOOL(WINAPI*)(HANDLE);
FlushFunction g_realFlush = nullptr;

BOOL WINAPI CountedFlush(HANDLE file) {
  ++g_flushCalls;
  if (g_flushesLeft-- <= 0) {
    SetLastError(ERROR_WRITE_FAULT);
    return FALSE;
  }
  return g_realFlush(file);
}

// The icon is flushed before it is closed, so that the replacing move that
// follows cannot put an icon in place whose bytes are still only cached.
TEST(WriteIcoFile, FlushesBeforeClosingAndFailsWhenTheFlushFails) {
  TempDir dir;
  const std::wstring path = dir.file(L"icon.ico");
  const std::string png = FakePng(64);
  nubo::testing::ImportPatch patch("kernel32.dll", "FlushFileBuffers",
                                   reinterpret_cast<void*>(&CountedFlush));
  g_realFlush = reinterpret_cast<FlushFunction>(patch.original());
  g_flushCalls = 0;
  g_flushesLeft = 1;
  EXPECT_TRUE(WriteIcoFile(path.c_str(), png.data(), png.size()));
  EXPECT_EQ(g_flushCalls, 1);

  g_flushCalls = 0;
  g_flushesLeft = 0;
  EXPECT_FALSE(WriteIcoFile(path.c_str(), png.data(), png.size()));
  EXPECT_EQ(g_flushCalls, 1);
  EXPECT_EQ(ListFolder(dir.path()), L"");
}

}  // namespace
}  // namespace nubo
