#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "maintenance/software/file_identity.h"
#include "maintenance/software/path_rules.h"
#include "maintenance/software/software_limits.h"
#include "tests/characters/shortcut_files.h"
#include "tests/maintenance/software/software_fixture.h"
#include "tests/support/temp_dir.h"

namespace nubo {
namespace {

using testing::FixturePath;

size_t NumberCount(const std::wstring& identity) {
  return identity.empty() ? 0 : std::count(identity.begin(), identity.end(), L':') + 1;
}

TEST(FileIdentity, SixNumbersForAFolderTenForAFileNoneThroughAnyLink) {
  struct Case {
    std::wstring path;
    size_t numbers;
  };
  const std::vector<Case> cases = {
      {FixturePath(L"real\\dir"), 6},
      {FixturePath(L"real\\dir\\file.txt"), 10},
      {FixturePath(L"real\\dir\\missing.txt"), 0},
      {FixturePath(L"dirlink"), 0},                   // a folder link at the first level
      {FixturePath(L"dirlink\\file.txt"), 0},         // a path under it
      {FixturePath(L"real\\deeplink\\file.txt"), 0},  // a folder link one level down
      {FixturePath(L"filelink.txt"), 0},              // a file link: only the final path shows it
      {L"N:\\", 0},
      {L"real\\dir", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(NumberCount(GetFileIdentity(c.path)), c.numbers) << c.path;
}

TEST(FileIdentity, EqualThroughACaseAliasChangedByAWriteOrAReplacedFolder) {
  const std::wstring file = FixturePath(L"real\\dir\\file.txt");
  ASSERT_FALSE(GetFileIdentity(file).empty());
  EXPECT_EQ(GetFileIdentity(L"c:\\SWFIX\\Real\\DIR\\FILE.TXT"), GetFileIdentity(file));
  EXPECT_EQ(GetFileIdentity(L"C:\\swfix\\real\\.\\dir\\file.txt"), GetFileIdentity(file));

  testing::TempDir temp;
  const std::wstring written = temp.file(L"grows.bin");
  testing::WriteWholeFile(written, "1");
  const std::wstring before = GetFileIdentity(written);
  testing::WriteWholeFile(written, "12");
  EXPECT_NE(GetFileIdentity(written), before);

  const std::wstring folder = temp.file(L"replaced");
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  // The first folder moves aside, so its replacement cannot reuse its index.
  const std::wstring keep = temp.file(L"keep");
  const std::wstring first = GetFileIdentity(folder);
  ASSERT_TRUE(MoveFileW(folder.c_str(), keep.c_str()));
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  EXPECT_NE(GetFileIdentity(folder), first);
  EXPECT_EQ(NumberCount(first), 6u);
}

class ShortcutTarget : public ::testing::Test {
 protected:
  std::wstring Link(const std::wstring& name, const std::wstring& target) {
    const std::wstring path = temp_.file(name);
    testing::CreateShortcut(path, target);
    return path;
  }
  // Pads a shortcut file with zero bytes to the given size.
  static void PadTo(const std::wstring& path, uint64_t size) {
    std::string bytes = testing::ReadWholeFile(path);
    ASSERT_LE(bytes.size(), size);
    bytes.resize(size, '\0');
    testing::WriteWholeFile(path, bytes);
  }
  testing::ComScope com_;
  testing::TempDir temp_;
};

TEST_F(ShortcutTarget, ResolvesALocalTargetUpToTwoMebibytes) {
  const std::wstring target = FixturePath(L"real\\dir\\file.txt");
  const std::wstring atLimit = Link(L"at.lnk", target);
  const std::wstring over = Link(L"over.lnk", target);
  PadTo(atLimit, kShortcutMaxBytes);
  PadTo(over, kShortcutMaxBytes + 1);
  EXPECT_EQ(ResolveShortcutTarget(atLimit), target);
  EXPECT_EQ(ResolveShortcutTarget(over), L"");
  EXPECT_EQ(ResolveShortcutTarget(temp_.file(L"missing.lnk")), L"");
}

TEST_F(ShortcutTarget, RefusesANetworkDriveTarget) {
  EXPECT_EQ(ResolveShortcutTarget(Link(L"net.lnk", L"N:\\tool.exe")), L"");
}

TEST_F(ShortcutTarget, LeavesTheThreadsComAsItFoundIt) {
  const std::wstring link = Link(L"com.lnk", FixturePath(L"real\\dir\\file.txt"));
  // A thread without COM ends without COM; a multithreaded one keeps its apartment.
  std::thread([&] {
    EXPECT_FALSE(ResolveShortcutTarget(link).empty());
    const HRESULT after = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    EXPECT_EQ(after, S_OK);
    if (SUCCEEDED(after)) CoUninitialize();
  }).join();
  std::thread([&] {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    EXPECT_FALSE(ResolveShortcutTarget(link).empty());
    const HRESULT after = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    EXPECT_EQ(after, S_FALSE);
    if (SUCCEEDED(after)) CoUninitialize();
    CoUninitialize();
  }).join();
  // The test's own apartment-threaded COM stays initialised once more.
  EXPECT_FALSE(ResolveShortcutTarget(link).empty());
  const HRESULT again = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  EXPECT_EQ(again, S_FALSE);
  if (SUCCEEDED(again)) CoUninitialize();
}

}  // namespace
}  // namespace nubo
