#include <gtest/gtest.h>

#include "store/file_utils.h"
#include "tests/support/app_harness.h"
#include "tests/support/case_name.h"
#include "tests/support/window_rect.h"
#include "tests/windows/pet_window_fixture.h"
#include "windows/window_constants.h"

namespace nubo {
namespace {

using testing::AppHarness;

using testing::WindowRect;

TEST_F(PetWindowTest, MenuOpenedTwiceClosesBackToTheFirstRestPlace) {
  const RECT rest = WindowRect(pet_);
  harness_.FromPet(R"({"type":"window.petMenu","payload":{"open":true,"layout":"single"}})");
  const RECT opened = WindowRect(pet_);
  EXPECT_EQ(opened.top, 130);  // grown upwards to 620 pixels
  EXPECT_EQ(opened.bottom, rest.bottom);
  harness_.FromPet(R"({"type":"window.petMenu","payload":{"open":true,"layout":"sheet"}})");
  EXPECT_TRUE(harness_.app().PetWindow()->IsPetMenuOpen());
  harness_.FromPet(R"({"type":"window.petMenu","payload":{"open":false}})");
  const RECT closed = WindowRect(pet_);
  EXPECT_EQ(closed.left, rest.left);
  EXPECT_EQ(closed.top, rest.top);
  EXPECT_EQ(closed.right, rest.right);
  EXPECT_EQ(closed.bottom, rest.bottom);

  const auto layouts = harness_.PetView().PostedOfType("pet.menu.layout");
  ASSERT_EQ(layouts.size(), 3u);
  EXPECT_EQ(layouts[0],
            R"({"payload":{"anchorX":55.0,"anchorY":408.0,"open":true,"placement":"above"},"type":"pet.menu.layout"})");
  EXPECT_EQ(layouts[2], R"({"type":"pet.menu.layout","payload":{"open":false,"placement":"above"}})");
}

TEST_F(PetWindowTest, MenuRequestsThatDoNothing) {
  const RECT rest = WindowRect(pet_);
  // An unknown layout, and any request from the workbench, are ignored.
  harness_.FromPet(R"({"type":"window.petMenu","payload":{"open":true,"layout":"grid"}})");
  harness_.app().ShowDashboard();
  harness_.WaitForBrowsers();
  harness_.FromDashboard(R"({"type":"window.petMenu","payload":{"open":true,"layout":"single"}})");
  EXPECT_FALSE(harness_.app().PetWindow()->IsPetMenuOpen());
  EXPECT_TRUE(harness_.PetView().PostedOfType("pet.menu.layout").empty());
  EXPECT_TRUE(harness_.DashboardView().PostedOfType("pet.menu.layout").empty());
  EXPECT_TRUE(harness_.DashboardView().PostedOfType("app.error").empty());
  EXPECT_EQ(WindowRect(pet_).top, rest.top);
}

TEST_F(PetWindowTest, MenuOpenWhilePresentingReportsItClosed) {
  MakeDueReminder("normal");
  harness_.app().OnTick();
  harness_.FromPet(R"({"type":"window.petMenu","payload":{"open":true,"layout":"single"}})");
  EXPECT_FALSE(harness_.app().PetWindow()->IsPetMenuOpen());
  EXPECT_EQ(harness_.PetView().PostedOfType("pet.menu.layout"),
            std::vector<std::string>{R"({"type":"pet.menu.layout","payload":{"open":false,"placement":"above"}})"});
}

TEST_F(PetWindowTest, DpiChangeResizesThePet) {
  RECT suggested = WindowRect(pet_);
  SendMessageW(pet_, WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
  const RECT rect = WindowRect(pet_);
  EXPECT_EQ(rect.right - rect.left, 640);
  EXPECT_EQ(rect.bottom - rect.top, 720);
  // Kept inside the work area.
  EXPECT_LE(rect.right, 1024);
  EXPECT_LE(rect.bottom, 768);
}

TEST_F(PetWindowTest, DpiChangeWithTheMenuOpenKeepsThePetsAnchor) {
  harness_.FromPet(R"({"type":"window.petMenu","payload":{"open":true,"layout":"single"}})");
  RECT suggested = WindowRect(pet_);
  SendMessageW(pet_, WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
  const RECT rect = WindowRect(pet_);
  EXPECT_EQ(rect.left, 384);
  EXPECT_EQ(rect.top, 48);
  EXPECT_FALSE(harness_.app().PetWindow()->IsPetMenuOpen());
}

TEST_F(PetWindowTest, DisplayChangeDuringAPresentationStoresNoEnlargedPlace) {
  MakeDueReminder("urgent");
  harness_.app().OnTick();
  Advance(760);  // fully grown
  SendMessageW(pet_, WM_DISPLAYCHANGE, 32, MAKELPARAM(1024, 768));
  EXPECT_FALSE(harness_.app().Store().GetSetting("pet.x").has_value());
}

TEST_F(PetWindowTest, EndingAPresentationThatIsNotRunningDoesNothing) {
  const RECT before = WindowRect(pet_);
  harness_.app().PetWindow()->EndPresentation(true);
  harness_.app().PetWindow()->CancelPresentation();
  EXPECT_FALSE(harness_.app().PetWindow()->IsPresenting());
  EXPECT_TRUE(harness_.PetView().PostedOfType("presentation.ended").empty());
  const RECT after = WindowRect(pet_);
  EXPECT_EQ(before.left, after.left);
  EXPECT_EQ(before.top, after.top);
}

struct TimelineCase {
  const char* name;
  const char* priority;
  uint64_t enterMs;
  int width;
  int height;
};

class PresentationTimeline : public PetWindowTest,
                             public ::testing::WithParamInterface<TimelineCase> {};

TEST_P(PresentationTimeline, GrowsHoldsShrinksAndDecidesVisibilityAgain) {
  const TimelineCase& c = GetParam();
  harness_.app().ShowDashboard();
  harness_.WaitForBrowsers();
  ASSERT_FALSE(IsWindowVisible(pet_));  // hidden while the workbench is on screen
  const RECT rest = WindowRect(pet_);

  MakeDueReminder(c.priority);
  harness_.app().OnTick();
  WebViewWindow& window = *harness_.app().PetWindow();
  EXPECT_TRUE(IsWindowVisible(pet_));  // a presentation shows the pet
  EXPECT_EQ(window.Phase(), PresentationPhase::Entering);

  Advance(c.enterMs - 1);
  EXPECT_EQ(window.Phase(), PresentationPhase::Entering);
  Advance(1);
  EXPECT_EQ(window.Phase(), PresentationPhase::Holding);
  RECT grown = WindowRect(pet_);
  EXPECT_EQ(grown.right - grown.left, c.width);
  EXPECT_EQ(grown.bottom - grown.top, c.height);
  EXPECT_EQ(grown.left, (1024 - c.width) / 2);
  EXPECT_EQ(grown.top, (768 - c.height) / 2);

  Advance(11999);
  EXPECT_EQ(window.Phase(), PresentationPhase::Holding);
  EXPECT_TRUE(harness_.PetView().PostedOfType("presentation.ended").empty());
  Advance(1);
  EXPECT_EQ(window.Phase(), PresentationPhase::Leaving);
  EXPECT_EQ(harness_.PetView().PostedOfType("presentation.ended"),
            std::vector<std::string>{R"({"type":"presentation.ended"})"});

  Advance(849);
  EXPECT_EQ(window.Phase(), PresentationPhase::Leaving);
  Advance(1);
  EXPECT_EQ(window.Phase(), PresentationPhase::None);
  const RECT back = WindowRect(pet_);
  EXPECT_EQ(back.left, rest.left);
  EXPECT_EQ(back.top, rest.top);
  EXPECT_EQ(back.right, rest.right);
  EXPECT_FALSE(IsWindowVisible(pet_));  // the workbench is still on screen
}

INSTANTIATE_TEST_SUITE_P(Levels, PresentationTimeline,
                         ::testing::Values(TimelineCase{"normal", "normal", 1400, 460, 500},
                                           TimelineCase{"important", "important", 1050, 480, 520},
                                           TimelineCase{"urgent", "urgent", 760, 500, 540}),
                         testing::CaseName());

}  // namespace
}  // namespace nubo
