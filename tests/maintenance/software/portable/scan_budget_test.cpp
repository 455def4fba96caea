#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "maintenance/software/scan_budget.h"
#include "maintenance/software/software_texts.h"

namespace nubo {
namespace {

// A clock the test moves by hand.
struct ManualClock {
  uint64_t now = 1000;
  TickSource64 source() {
    return [this] { return now; };
  }
};

TEST(ScanBudget, DeadlineEndsEveryCheckWithOneWarning) {
  ManualClock clock;
  ScanBudget budget({}, clock.source());
  clock.now += kScanTimeLimitMs - 1;
  EXPECT_TRUE(budget.Check());
  clock.now += 1;
  for (int i = 0; i < 3; ++i) {
    EXPECT_FALSE(budget.Check());
    EXPECT_FALSE(budget.CountFileItem());
    EXPECT_FALSE(budget.CheckDisplayLimit(0));
  }
  EXPECT_EQ(budget.warnings, std::vector<std::string>{std::string(kWarnScanTimeLimit)});
  EXPECT_TRUE(budget.truncated);
  EXPECT_FALSE(budget.cancelled);
  EXPECT_EQ(budget.itemsCounted, 0u);
}

TEST(ScanBudget, ItemSixteenThousandPassesTheNextEndsTheScan) {
  ManualClock clock;
  ScanBudget budget({}, clock.source());
  for (uint32_t i = 0; i < kScanMaxFileItems; ++i) ASSERT_TRUE(budget.CountFileItem()) << i;
  EXPECT_TRUE(budget.Check());
  EXPECT_FALSE(budget.truncated);
  EXPECT_FALSE(budget.CountFileItem());
  EXPECT_FALSE(budget.Check());
  EXPECT_EQ(budget.warnings, std::vector<std::string>{std::string(kWarnScanItemLimit)});
  EXPECT_TRUE(budget.truncated);
}

TEST(ScanBudget, FortyLeftoversFitTheFortyFirstIsRefused) {
  ManualClock clock;
  ScanBudget budget({}, clock.source());
  EXPECT_TRUE(budget.CheckDisplayLimit(kScanDisplayLimit - 1));
  EXPECT_FALSE(budget.truncated);
  EXPECT_FALSE(budget.CheckDisplayLimit(kScanDisplayLimit));
  EXPECT_EQ(budget.warnings, std::vector<std::string>{std::string(kWarnDisplayLimit)});
  EXPECT_TRUE(budget.truncated);
}

TEST(ScanBudget, CancelStopsWithoutWarningAndStaysCancelled) {
  ManualClock clock;
  bool cancel = false;
  int asked = 0;
  ScanBudget budget([&] { ++asked; return cancel; }, clock.source());
  EXPECT_TRUE(budget.Check());
  cancel = true;
  EXPECT_FALSE(budget.CountFileItem());
  cancel = false;
  EXPECT_FALSE(budget.Check());
  EXPECT_TRUE(budget.cancelled);
  EXPECT_FALSE(budget.truncated);
  EXPECT_TRUE(budget.warnings.empty());
  EXPECT_EQ(asked, 2);
}

TEST(ScanBudget, SixteenDistinctWarningsKeptTheSeventeenthDroppedButTruncates) {
  ManualClock clock;
  ScanBudget budget({}, clock.source());
  for (int i = 0; i < 16; ++i) budget.AddWarning("w" + std::to_string(i), false);
  budget.AddWarning("w0", false);
  EXPECT_EQ(budget.warnings.size(), 16u);
  EXPECT_FALSE(budget.truncated);
  budget.AddWarning("w16", true);
  EXPECT_EQ(budget.warnings.size(), 16u);
  EXPECT_EQ(budget.warnings.back(), "w15");
  EXPECT_TRUE(budget.truncated);
}

TEST(ScanBudget, AnEqualWarningIsKeptOnceInFirstOrder) {
  ManualClock clock;
  ScanBudget budget({}, clock.source());
  budget.AddWarning("b", false);
  budget.AddWarning("a", false);
  budget.AddWarning("b", false);
  EXPECT_EQ(budget.warnings, (std::vector<std::string>{"b", "a"}));
}

}  // namespace
}  // namespace nubo
