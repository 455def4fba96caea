#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "maintenance/software/scan_listing.h"
#include "maintenance/software/software_texts.h"
#include "tests/maintenance/software/software_fixture.h"
#include "tests/support/temp_dir.h"

namespace nubo {
namespace {

using testing::FixturePath;

std::vector<std::string> Warnings(std::string_view one) { return {std::string(one)}; }

ScanBudget FreshBudget() {
  return ScanBudget({}, [] { return uint64_t{0}; });
}

TEST(EnumerateScanRoot, WarnsForWideNetworkAndReparsedRootsButNotForMissingOnes) {
  ScanBudget wide = FreshBudget();
  const auto entries = EnumerateScanRoot(FixturePath(L"wide"), false, &wide);
  EXPECT_EQ(entries.size(), kScanRootListLimit);
  EXPECT_EQ(wide.warnings, Warnings(kWarnListingLimit));
  EXPECT_TRUE(entries.front().isDirectory);
  EXPECT_EQ(entries.front().path, FixturePath(L"wide\\") + entries.front().name);

  ScanBudget network = FreshBudget();
  EXPECT_TRUE(EnumerateScanRoot(L"N:\\", false, &network).empty());
  EXPECT_EQ(network.warnings, Warnings(kWarnNonLocalRoot));

  // A failed lookup leaves ERROR_FILE_NOT_FOUND behind; the linked root must
  // still be reported.
  GetFileAttributesW(FixturePath(L"no-such-file").c_str());
  ScanBudget linked = FreshBudget();
  EXPECT_TRUE(EnumerateScanRoot(FixturePath(L"dirlink"), false, &linked).empty());
  EXPECT_EQ(linked.warnings, Warnings(kWarnRootUnreadable));
  EXPECT_TRUE(linked.truncated);

  ScanBudget missing = FreshBudget();
  EXPECT_TRUE(EnumerateScanRoot(FixturePath(L"no-such-folder"), false, &missing).empty());
  EXPECT_TRUE(EnumerateScanRoot(FixturePath(L"no-such-folder\\below"), false, &missing).empty());
  EXPECT_TRUE(missing.warnings.empty());
  EXPECT_FALSE(missing.truncated);
}

TEST(EnumerateScanRoot, ListsFoldersAndShortcutsButNeverAReparsePoint) {
  testing::TempDir temp;
  for (const wchar_t* name : {L"folder", L"x.LNK"}) CreateDirectoryW(temp.file(name).c_str(), nullptr);
  for (const wchar_t* name : {L"a.lnk", L".lnk", L"b.txt", L"c.lnkx"}) testing::WriteWholeFile(temp.file(name), "x");
  auto names = [](const std::vector<ScanRootEntry>& list) {
    std::vector<std::wstring> out;
    for (const auto& entry : list) out.push_back(entry.name + (entry.isDirectory ? L"/" : L""));
    std::sort(out.begin(), out.end());
    return out;
  };
  EXPECT_EQ(names(EnumerateScanRoot(temp.path(), true, nullptr)),
            (std::vector<std::wstring>{L"a.lnk", L"folder/", L"x.LNK/"}));
  EXPECT_EQ(names(EnumerateScanRoot(temp.path(), false, nullptr)), (std::vector<std::wstring>{L"folder/", L"x.LNK/"}));

  ScanBudget budget = FreshBudget();
  const auto real = EnumerateScanRoot(FixturePath(L"real"), false, &budget);
  EXPECT_EQ(names(real), std::vector<std::wstring>{L"dir/"});
  EXPECT_EQ(budget.warnings, Warnings(kWarnReparseEntry));
  EXPECT_EQ(budget.itemsCounted, 4u);  // ".", "..", dir and the link
}

TEST(EnumerateScanRoot, StopsAtTheBudgetsItemLimit) {
  ScanBudget budget = FreshBudget();
  budget.maxFileItems = 10;
  EXPECT_EQ(EnumerateScanRoot(FixturePath(L"wide"), false, &budget).size(), 8u);  // 10 counted, "." and ".." among them
  EXPECT_EQ(budget.warnings, Warnings(kWarnScanItemLimit));
}

// A 32-bit clock that moves by step on every reading.
struct SteppingClock {
  uint32_t now = 0xFFFFFF00;  // the count wraps during the walk
  uint32_t step = 0;
  TickSource32 source() {
    return [this] { return now += step; };
  }
};

TEST(MeasureDirectory, StopsAtItemTimeAndDepthLimits) {
  struct Case {
    const char* name;
    std::wstring path;
    bool budget;
    uint32_t step;
    uint32_t items;
    bool truncated;
  };
  const std::vector<Case> cases = {
      {"file", FixturePath(L"real\\dir\\file.txt"), false, 0, 1, false},
      {"folder_with_links", FixturePath(L"real"), false, 0, 5, false},  // real, dir, sub, file, deeplink (not entered)
      {"items_alone", FixturePath(L"big"), false, 0, kMeasureMaxItems, true},
      {"depth_64", FixturePath(L"deep64"), false, 0, 65, false},
      {"depth_65", FixturePath(L"deep65"), false, 0, 65, true},
      {"depth_70", FixturePath(L"deep70"), false, 0, 65, true},
      // One reading per item: the 1801st millisecond stops the walk alone, the 121st with a budget.
      {"time_alone", FixturePath(L"big"), false, 1, kMeasureAloneMs, true},
      {"time_budgeted", FixturePath(L"big"), true, 1, kMeasureBudgetedMs, true},
      {"budget_items", FixturePath(L"big"), true, 0, kScanMaxFileItems, true},
  };
  for (const Case& c : cases) {
    SteppingClock clock{0xFFFFFF00, c.step};
    ScanBudget budget = FreshBudget();
    MeasureResult result;
    const uint32_t start = clock.now;
    MeasureDirectory(c.path, result, start, c.budget ? &budget : nullptr, clock.source());
    EXPECT_EQ(result.itemCount, c.items) << c.name;
    EXPECT_EQ(result.sizeTruncated, c.truncated) << c.name;
  }
  MeasureResult sized;
  MeasureDirectory(FixturePath(L"deep64"), sized, 0, nullptr, [] { return 0u; });
  EXPECT_EQ(sized.sizeBytes, 3u);
}

}  // namespace
}  // namespace nubo
