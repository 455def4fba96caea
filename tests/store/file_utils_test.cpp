#include <gtest/gtest.h>
#include <windows.h>

#include <stdexcept>
#include <string>

#include "store/file_utils.h"
#include "tests/support/temp_dir.h"

namespace nubo {
namespace {

using nubo::testing::ListFolder;
using nubo::testing::ReadWholeFile;
using nubo::testing::TempDir;
using nubo::testing::WriteWholeFile;

TEST(JoinPath, JoinsWithOneSeparator) {
  EXPECT_EQ(JoinPath(L"C:\\data\\", L"x"), L"C:\\data\\x");
  EXPECT_EQ(JoinPath(L"C:\\data", L"x"), L"C:\\data\\x");
  EXPECT_EQ(JoinPath(L"C:/data/", L"x"), L"C:/data/x");
  EXPECT_EQ(JoinPath(L"", L"x"), L"x");
  EXPECT_EQ(JoinPath(L"C:\\data", L"\\x"), L"C:\\data\\\\x");  // right part never examined
}

struct FileNameCase {
  const wchar_t* name;
  bool valid;
};

class FileNameRules : public ::testing::TestWithParam<FileNameCase> {};

TEST_P(FileNameRules, Classifies) {
  EXPECT_EQ(IsValidFileName(GetParam().name), GetParam().valid);
}

INSTANTIATE_TEST_SUITE_P(
    IsValidFileName, FileNameRules,
    ::testing::Values(FileNameCase{L"", false}, FileNameCase{L".", false},
                      FileNameCase{L"..", false}, FileNameCase{L"name.", false},
                      FileNameCase{L"name ", false}, FileNameCase{L"a:b", false},
                      FileNameCase{L"a<b", false}, FileNameCase{L"a>b", false},
                      FileNameCase{L"a\"b", false}, FileNameCase{L"a/b", false},
                      FileNameCase{L"a\\b", false}, FileNameCase{L"a|b", false},
                      FileNameCase{L"a?b", false}, FileNameCase{L"a*b", false},
                      FileNameCase{L"photo.png", true}, FileNameCase{L"..hidden", true},
                      FileNameCase{L"CON", true}, FileNameCase{L"\u732b.webp", true}));

TEST(WriteFileComplete, WritesEmptyAndFullFiles) {
  TempDir dir;
  const std::wstring empty = dir.file(L"empty.bin");
  WriteFileComplete(empty, nullptr, 0);
  EXPECT_TRUE(FileExists(empty));
  EXPECT_EQ(ReadWholeFile(empty), "");

  const std::string bytes("hello\0world", 11);
  const std::wstring full = dir.file(L"full.bin");
  WriteFileComplete(full, bytes.data(), bytes.size());
  EXPECT_EQ(ReadWholeFile(full), bytes);

  // A name that is taken is refused and the file there left as it was.
  EXPECT_THROW(WriteFileComplete(full, "x", 1), std::runtime_error);
  EXPECT_EQ(ReadWholeFile(full), bytes);
}

TEST(WriteThroughTemporary, WritesBesideTemporaryNamesThatAreTaken) {
  TempDir dir;
  const std::wstring target = dir.file(L"out.png");
  WriteWholeFile(target + L".converting", "mine");
  ASSERT_TRUE(CreateDirectoryW((target + L".1.converting").c_str(), nullptr));
  WriteThroughTemporary(target, L".converting", [&](const std::wstring& temporary) {
    EXPECT_EQ(temporary, target + L".2.converting");
    WriteFileComplete(temporary, "new", 3);
  });
  EXPECT_EQ(ReadWholeFile(target), "new");
  EXPECT_EQ(ReadWholeFile(target + L".converting"), "mine");

  // Someone else takes the free name before the writer creates it: the
  // writer's failure leaves their file alone.
  EXPECT_THROW(WriteThroughTemporary(target, L".converting",
                                     [&](const std::wstring& temporary) {
                                       WriteWholeFile(temporary, "theirs");
                                       WriteFileComplete(temporary, "new", 3);
                                     }),
               std::runtime_error);
  EXPECT_EQ(ReadWholeFile(target + L".2.converting"), "theirs");
}

TEST(WriteFileComplete, FailureToCreateLeavesNoFile) {
  TempDir dir;
  const std::wstring inMissingFolder = dir.file(L"missing\\out.bin");
  try {
    WriteFileComplete(inMissingFolder, "x", 1);
    FAIL() << "expected a failure";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "Unable to create the output file.");
  }
  EXPECT_EQ(ListFolder(dir.path()), L"");
}

TEST(WriteFileComplete, AFailedWriteDeletesTheFile) {
  TempDir dir;
  const std::wstring target = dir.file(L"out.bin");
  // A source range that cannot be read makes WriteFile fail part way.
  void* reserved = VirtualAlloc(nullptr, 1 << 16, MEM_RESERVE, PAGE_NOACCESS);
  ASSERT_NE(reserved, nullptr);
  try {
    WriteFileComplete(target, reserved, 1 << 16);
    ADD_FAILURE() << "expected a failure";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "Unable to write the complete output file.");
  }
  VirtualFree(reserved, 0, MEM_RELEASE);
  EXPECT_FALSE(FileExists(target));
}

TEST(MoveFileReplacing, ReplacesTargetAndKeepsSourceOnFailure) {
  TempDir dir;
  const std::wstring source = dir.file(L"a.tmp");
  const std::wstring target = dir.file(L"a.txt");
  WriteWholeFile(source, "new");
  WriteWholeFile(target, "old");
  MoveFileReplacing(source, target);
  EXPECT_EQ(ReadWholeFile(target), "new");
  EXPECT_FALSE(FileExists(source));

  WriteWholeFile(source, "again");
  try {
    MoveFileReplacing(source, dir.file(L"no-folder\\a.txt"));
    FAIL() << "expected a failure";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "Unable to move the completed file.");
  }
  EXPECT_EQ(ReadWholeFile(source), "again");
}

TEST(DeleteFileIfExists, IgnoresMissingFilesAndFolders) {
  TempDir dir;
  EXPECT_NO_THROW(DeleteFileIfExists(dir.file(L"absent.txt")));
  EXPECT_NO_THROW(DeleteFileIfExists(dir.file(L"absent\\deeper.txt")));
  const std::wstring present = dir.file(L"present.txt");
  WriteWholeFile(present, "x");
  DeleteFileIfExists(present);
  EXPECT_FALSE(FileExists(present));
}

TEST(DeleteFileIfExists, ReportsOtherFailures) {
  TempDir dir;
  const std::wstring folder = dir.file(L"folder");
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  try {
    DeleteFileIfExists(folder);
    FAIL() << "a folder is not deleted as a file";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "Unable to delete the file.");
  }
}

TEST(EnsureDirectory, CreatesParentsAndRefusesFiles) {
  TempDir dir;
  const std::wstring nested = dir.file(L"a\\b\\c");
  EnsureDirectory(nested);
  EnsureDirectory(nested);  // existing is fine
  EXPECT_TRUE(GetFileAttributesW(nested.c_str()) & FILE_ATTRIBUTE_DIRECTORY);

  const std::wstring file = dir.file(L"plain");
  WriteWholeFile(file, "x");
  try {
    EnsureDirectory(file);
    FAIL() << "a file is not a folder";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "The application directory path is not valid.");
  }
}

TEST(NowMilliseconds, IsUnixMilliseconds) {
  const int64_t now = NowMilliseconds();
  EXPECT_GT(now, 1'700'000'000'000);  // after November 2023
  EXPECT_LT(now, 4'102'444'800'000);  // before 2100
  const int64_t cTime = static_cast<int64_t>(time(nullptr)) * 1000;
  EXPECT_LE(std::llabs(now - cTime), 2000);
}

}  // namespace
}  // namespace nubo
