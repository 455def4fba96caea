#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "datatools/dialogs/file_dialogs.h"

namespace nubo {
namespace {

constexpr uint64_t kUnits = 32768;

// Refusals answer -1 at once, without showing anything.
TEST(FileDialogs, BadArgumentsAnswerMinusOne) {
  std::vector<wchar_t> buffer(8, L'x');
  EXPECT_EQ(ShowSaveImageDialog(nullptr, L"png", nullptr, nullptr, kUnits), -1);
  EXPECT_EQ(ShowSaveImageDialog(nullptr, nullptr, nullptr, buffer.data(), 8), -1);
  EXPECT_EQ(ShowSaveImageDialog(nullptr, L"gif", nullptr, buffer.data(), 8), -1);
  EXPECT_EQ(ShowSaveImageDialog(nullptr, L"PNG", nullptr, buffer.data(), 8), -1);
  EXPECT_EQ(ShowSaveImageDialog(nullptr, L"png", nullptr, buffer.data(), 3), -1);
  EXPECT_EQ(ShowSaveImageDialog(nullptr, L"png", nullptr, buffer.data(), 0x100000000ull), -1);
  EXPECT_EQ(ShowDatabaseFileDialog(nullptr, true, nullptr, kUnits), -1);
  EXPECT_EQ(ShowDatabaseFileDialog(nullptr, false, buffer.data(), 3), -1);
  EXPECT_EQ(ShowDatabaseFileDialog(nullptr, true, buffer.data(), 0x100000000ull), -1);
  EXPECT_EQ(buffer[0], L'x');  // untouched by a refusal
}

}  // namespace
}  // namespace nubo
