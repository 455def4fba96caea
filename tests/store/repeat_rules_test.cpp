#include <gtest/gtest.h>

#include "tests/support/case_name.h"

#include <cstdlib>
#include <stdexcept>

#include "store/repeat_rules.h"

// The test runner sets TZ=EST5EDT (US Eastern, daylight saving from the second
// Sunday of March to the first Sunday of November).
namespace nubo {
namespace {

constexpr int64_t kHour = 3'600'000;
constexpr int64_t kDay = 24 * kHour;

constexpr int64_t kTue20260303At0900Est = 1'772'546'400'000;
constexpr int64_t kTue20260310At0900Edt = 1'773'147'600'000;
constexpr int64_t kFri20261030At1800Edt = 1'793'397'600'000;
constexpr int64_t kFri20261030At1900Edt = 1'793'401'200'000;
constexpr int64_t kMon20261102At1800Est = 1'793'660'400'000;
constexpr int64_t kMon20261207At0800Est = 1'796'648'400'000;
constexpr int64_t kTue20261208At0900Est = 1'796'738'400'000;
constexpr int64_t kWed20261209At0800Est = 1'796'821'200'000;
constexpr int64_t kYear3000LastNoonUtc = 32'535'172'800'000;

TEST(RepeatRules, RunsUnderTheEasternZone) {
  const char* tz = std::getenv("TZ");
  ASSERT_NE(tz, nullptr);
  EXPECT_STREQ(tz, "EST5EDT");
}

TEST(RepeatRules, RecognisesOnlyTheThreeRepeatingRules) {
  EXPECT_TRUE(IsRepeatingRule("daily"));
  EXPECT_TRUE(IsRepeatingRule("weekdays"));
  EXPECT_TRUE(IsRepeatingRule("weekly"));
  EXPECT_FALSE(IsRepeatingRule("none"));
  EXPECT_FALSE(IsRepeatingRule("Daily"));
  EXPECT_FALSE(IsRepeatingRule("monthly"));
  EXPECT_FALSE(IsRepeatingRule(""));
}

struct NextDueCase {
  const char* name;
  int64_t dueAt;
  const char* rule;
  int64_t now;
  int64_t expected;
};

class NextDue : public ::testing::TestWithParam<NextDueCase> {};

TEST_P(NextDue, MovesStrictlyAfterNow) {
  const NextDueCase& c = GetParam();
  EXPECT_EQ(NextRepeatDueAt(c.dueAt, c.rule, c.now), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    RepeatRules, NextDue,
    ::testing::Values(
        // Due yesterday 08:00, now today 09:00: two steps, to tomorrow 08:00.
        NextDueCase{"daily_two_steps", kMon20261207At0800Est, "daily", kTue20261208At0900Est,
                    kWed20261209At0800Est},
        NextDueCase{"daily_keeps_milliseconds", kMon20261207At0800Est + 123, "daily",
                    kMon20261207At0800Est + 123, kMon20261207At0800Est + 123 + kDay},
        // Friday evening to Monday, across the end of daylight saving.
        NextDueCase{"weekdays_skip_weekend", kFri20261030At1800Edt, "weekdays",
                    kFri20261030At1900Edt, kMon20261102At1800Est},
        // Same local time of day one week later, across the start of daylight saving.
        NextDueCase{"weekly_across_dst_start", kTue20260303At0900Est, "weekly",
                    kTue20260303At0900Est, kTue20260310At0900Edt},
        NextDueCase{"weekly_due_in_future_moves_once", kTue20260303At0900Est, "weekly",
                    kTue20260303At0900Est - kDay, kTue20260310At0900Edt}),
    nubo::testing::CaseName());

TEST(RepeatRules, DaylightSavingChangeKeepsTimeOfDayNotDuration) {
  EXPECT_EQ(kTue20260310At0900Edt - kTue20260303At0900Est, 7 * kDay - kHour);
  EXPECT_EQ(AddLocalDays(kTue20260303At0900Est, 7), kTue20260310At0900Edt);
}

TEST(RepeatRules, MonthEndsRollOver) {
  constexpr int64_t kJan31At0800Est = 1'769'864'400'000;
  constexpr int64_t kFeb01At0800Est = 1'769'950'800'000;
  EXPECT_EQ(AddLocalDays(kJan31At0800Est, 1), kFeb01At0800Est);
}

TEST(RepeatRules, RefusesTimesThatLocalTimeCannotRepresent) {
  const int64_t unrepresentable[] = {kYear3000LastNoonUtc, kYear3000LastNoonUtc + 2 * kDay, -1000};
  for (int64_t dueAt : unrepresentable) {
    try {
      NextRepeatDueAt(dueAt, "daily", dueAt);
      ADD_FAILURE() << "accepted " << dueAt;
    } catch (const std::runtime_error& error) {
      EXPECT_STREQ(error.what(), "Unable to calculate the next reminder time.");
    }
  }
}

}  // namespace
}  // namespace nubo
