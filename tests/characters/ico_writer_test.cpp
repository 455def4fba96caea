#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "characters/ico_writer.h"
#include "store/file_utils.h"
#include "tests/characters/import_hook.h"
#include "tests/characters/picture_bytes.h"
#include "tests/support/temp_dir.h"

namespace nubo {
namespace {

using namespace nubo::testing;

bool Write(const std::wstring& path, const std::string& png) {
  return WriteIcoFile(path.c_str(), reinterpret_cast<const uint8_t*>(png.data()), png.size());
}

TEST(IcoWriter, WrapsAThousandBytePngBehindTheTwentyTwoByteHeader) {
  TempDir dir;
  const std::wstring path = dir.file(L"icon.ico");
  const std::string png = MakePngSignedBytes(1000);
  ASSERT_TRUE(Write(path, png));
  const std::string ico = ReadWholeFile(path);
  ASSERT_EQ(ico.size(), 1022u);
  const std::string header("\x00\x00\x01\x00\x01\x00"   // reserved, icon, one image
                           "\x00\x00\x00\x00"           // width, height, colours, reserved
                           "\x01\x00\x20\x00"           // planes, 32 bits per pixel
                           "\xE8\x03\x00\x00"           // 1,000 image bytes
                           "\x16\x00\x00\x00",          // at offset 22
                           22);
  EXPECT_EQ(ico.substr(0, 22), header);
  EXPECT_EQ(ico.substr(22), png);
}

TEST(IcoWriter, NeverWritesOverNorDeletesAFileAlreadyThere) {
  TempDir dir;
  const std::wstring path = dir.file(L"icon.ico");
  WriteWholeFile(path, std::string(5000, 'x'));
  EXPECT_FALSE(Write(path, MakePng(2, 2)));
  EXPECT_EQ(ReadWholeFile(path), std::string(5000, 'x'));
}

TEST(IcoWriter, RefusesBadArgumentsWithoutCreatingAFile) {
  TempDir dir;
  const std::wstring path = dir.file(L"icon.ico");
  const std::string png = MakePngSignedBytes(8);
  const auto* bytes = reinterpret_cast<const uint8_t*>(png.data());
  EXPECT_FALSE(WriteIcoFile(path.c_str(), bytes, 7));
  EXPECT_FALSE(WriteIcoFile(nullptr, bytes, 8));
  EXPECT_FALSE(WriteIcoFile(path.c_str(), nullptr, 8));
  // The size is checked before a single byte is read.
  EXPECT_FALSE(WriteIcoFile(path.c_str(), bytes, size_t{0x1'0000'0000}));
  EXPECT_FALSE(FileExists(path));
  EXPECT_TRUE(WriteIcoFile(path.c_str(), bytes, 8));
}

TEST(IcoWriter, CannotCreateInAMissingFolder) {
  TempDir dir;
  EXPECT_FALSE(Write(dir.file(L"missing\\icon.ico"), MakePng(1, 1)));
}

// What the writer did to the file system, through the program's own imports.
std::vector<std::string> g_calls;
HANDLE g_file = nullptr;
int g_failWriteAt = 0;
DWORD g_writeLimit = 0;  // most bytes one call writes; 0: no limit
int g_zeroWriteAt = 0;
bool g_failFlush = false;
void* g_realWrite = nullptr;
void* g_realFlush = nullptr;
void* g_realClose = nullptr;

BOOL WINAPI RecordingWriteFile(HANDLE file, LPCVOID bytes, DWORD size, LPDWORD written,
                               LPOVERLAPPED overlapped) {
  g_file = file;
  g_calls.push_back("write " + std::to_string(size));
  if (static_cast<int>(g_calls.size()) == g_failWriteAt) {
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
  }
  if (static_cast<int>(g_calls.size()) == g_zeroWriteAt) {
    *written = 0;
    return TRUE;
  }
  if (g_writeLimit != 0) size = std::min(size, g_writeLimit);
  return reinterpret_cast<decltype(&WriteFile)>(g_realWrite)(file, bytes, size, written, overlapped);
}

BOOL WINAPI RecordingFlush(HANDLE file) {
  g_calls.push_back(file == g_file ? "flush" : "flush other");
  if (g_failFlush) {
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
  }
  return reinterpret_cast<decltype(&FlushFileBuffers)>(g_realFlush)(file);
}

BOOL WINAPI RecordingClose(HANDLE handle) {
  if (handle == g_file) g_calls.push_back("close");
  return reinterpret_cast<decltype(&CloseHandle)>(g_realClose)(handle);
}

class IcoWriterCalls : public ::testing::Test {
 protected:
  void SetUp() override {
    g_calls.clear();
    g_file = nullptr;
    g_failWriteAt = 0;
    g_writeLimit = 0;
    g_zeroWriteAt = 0;
    g_failFlush = false;
  }
  bool WriteHooked(const std::wstring& path, const std::string& png) {
    ImportHook write("WriteFile", reinterpret_cast<void*>(&RecordingWriteFile));
    ImportHook flush("FlushFileBuffers", reinterpret_cast<void*>(&RecordingFlush));
    ImportHook close("CloseHandle", reinterpret_cast<void*>(&RecordingClose));
    EXPECT_TRUE(write.installed() && flush.installed() && close.installed());
    g_realWrite = write.original();
    g_realFlush = flush.original();
    g_realClose = close.original();
    return Write(path, png);
  }
  TempDir dir_;
};

TEST_F(IcoWriterCalls, FlushesBeforeClosing) {
  const std::wstring path = dir_.file(L"icon.ico");
  ASSERT_TRUE(WriteHooked(path, MakePngSignedBytes(100)));
  EXPECT_EQ(g_calls, (std::vector<std::string>{"write 22", "write 100", "flush", "close"}));
  EXPECT_EQ(ReadWholeFile(path).size(), 122u);
}

TEST_F(IcoWriterCalls, AFailedFlushDeletesTheFile) {
  g_failFlush = true;
  const std::wstring path = dir_.file(L"icon.ico");
  EXPECT_FALSE(WriteHooked(path, MakePngSignedBytes(100)));
  EXPECT_EQ(g_calls, (std::vector<std::string>{"write 22", "write 100", "flush", "close"}));
  EXPECT_FALSE(FileExists(path));
}

TEST_F(IcoWriterCalls, ShortWritesGoOnWithTheRest) {
  g_writeLimit = 60;
  const std::wstring path = dir_.file(L"icon.ico");
  const std::string png = MakePngSignedBytes(100);
  ASSERT_TRUE(WriteHooked(path, png));
  EXPECT_EQ(g_calls, (std::vector<std::string>{"write 22", "write 100", "write 40", "flush",
                                               "close"}));
  EXPECT_EQ(ReadWholeFile(path).substr(22), png);
}

TEST_F(IcoWriterCalls, AFailedOrEmptyWriteDeletesTheFile) {
  const struct { int failAt, zeroAt; std::vector<std::string> calls; } cases[] = {
      {1, 0, {"write 22", "close"}},
      {2, 0, {"write 22", "write 100", "close"}},
      {0, 2, {"write 22", "write 100", "close"}},
  };
  for (const auto& c : cases) {
    SetUp();
    g_failWriteAt = c.failAt;
    g_zeroWriteAt = c.zeroAt;
    const std::wstring path = dir_.file(L"icon.ico");
    EXPECT_FALSE(WriteHooked(path, MakePngSignedBytes(100))) << c.failAt << c.zeroAt;
    EXPECT_EQ(g_calls, c.calls);
    EXPECT_FALSE(FileExists(path));
  }
}

}  // namespace
}  // namespace nubo
