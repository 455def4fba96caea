#include <gtest/gtest.h>

#include <windows.h>

#include "characters/file_compare.h"
#include "store/win_handles.h"
#include "tests/support/temp_dir.h"

namespace nubo {
namespace {

using namespace nubo::testing;

class SameContent : public ::testing::Test {
 protected:
  bool Compare(const std::string& left, const std::string& right) {
    WriteWholeFile(dir_.file(L"a"), left);
    WriteWholeFile(dir_.file(L"b"), right);
    return FilesHaveSameContent(dir_.file(L"a"), dir_.file(L"b"));
  }
  TempDir dir_;
};

TEST_F(SameContent, EqualFilesOfSeveralPiecesMatch) {
  const std::string bytes(200'000, '\x42');
  EXPECT_TRUE(Compare(bytes, bytes));
}

TEST_F(SameContent, ADifferenceInTheLastPieceIsFound) {
  std::string other(200'000, '\x42');
  const std::string bytes = other;
  other.back() = '\x43';
  EXPECT_FALSE(Compare(bytes, other));
}

TEST_F(SameContent, DifferentSizesDoNotMatch) { EXPECT_FALSE(Compare("abc", "abcd")); }

TEST_F(SameContent, AFileThatCannotBeOpenedDoesNotMatch) {
  WriteWholeFile(dir_.file(L"a"), "abc");
  WriteWholeFile(dir_.file(L"b"), "abc");
  FileHandle locked(CreateFileW(dir_.file(L"b").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(locked);
  EXPECT_FALSE(FilesHaveSameContent(dir_.file(L"a"), dir_.file(L"b")));
  locked.reset();
  EXPECT_TRUE(FilesHaveSameContent(dir_.file(L"a"), dir_.file(L"b")));
  EXPECT_FALSE(FilesHaveSameContent(dir_.file(L"a"), dir_.file(L"missing")));
}

}  // namespace
}  // namespace nubo
