#include <gtest/gtest.h>

#include "tests/support/case_name.h"
#include "windows/pet_geometry.h"

#include <cmath>

namespace nubo {
namespace {

const PixelRect kScreen{0, 0, 1024, 768};

struct MenuCase {
  const char* name;
  PixelRect rest;
  PixelRect area;
  int dpi;
  bool single;
  PixelRect window;
  double anchorX;
  double anchorY;
  bool above;
  int side;
};

class MenuLayout : public ::testing::TestWithParam<MenuCase> {};

TEST_P(MenuLayout, PlacesTheMenuAroundThePet) {
  const MenuCase& c = GetParam();
  const PetMenuPlacement placement = ComputePetMenuLayout(c.rest, c.area, c.dpi, c.single);
  EXPECT_EQ(placement.window, c.window);
  EXPECT_DOUBLE_EQ(placement.anchorX, c.anchorX);
  EXPECT_DOUBLE_EQ(placement.anchorY, c.anchorY);
  EXPECT_EQ(placement.above, c.above);
  EXPECT_EQ(placement.side, c.side);
}

INSTANTIATE_TEST_SUITE_P(
    ComputePetMenuLayout, MenuLayout,
    ::testing::Values(
        // Default corner: room above, the window grows upwards and keeps its bottom.
        MenuCase{"corner_above", {686, 390, 1006, 750}, kScreen, 96, true, {686, 130, 1006, 750}, 55, 408, true, 0},
        MenuCase{"dpi_zero_is_96", {686, 390, 1006, 750}, kScreen, 0, true, {686, 130, 1006, 750}, 55, 408, true, 0},
        // At the top of the screen the menu goes below the pet.
        MenuCase{"top_of_screen_below", {686, 0, 1006, 360}, kScreen, 96, true, {686, 146, 1006, 766}, 55, 2, false, 0},
        // No room above or below: the side with more room, the left one on a tie (at 340).
        MenuCase{"side_right_339", {339, 40, 659, 400}, {0, 0, 1000, 400}, 96, true, {350, 40, 1000, 400}, 44, 148, false, +1},
        MenuCase{"side_tie_340", {340, 40, 660, 400}, {0, 0, 1000, 400}, 96, true, {79, 40, 729, 400}, 316, 148, false, -1},
        MenuCase{"side_left_341", {341, 40, 661, 400}, {0, 0, 1000, 400}, 96, true, {80, 40, 730, 400}, 316, 148, false, -1},
        // The side menu is as tall as the pet, but never taller than the work area
        // nor reaching below it.
        MenuCase{"side_area_359", {340, 0, 660, 360}, {0, 0, 1000, 359}, 96, true, {79, 0, 729, 359}, 316, 148, false, -1},
        MenuCase{"side_area_361", {340, 0, 660, 360}, {0, 0, 1000, 361}, 96, true, {79, 0, 729, 360}, 316, 148, false, -1},
        MenuCase{"side_top_41", {340, 41, 660, 401}, {0, 0, 1000, 400}, 96, true, {79, 40, 729, 400}, 316, 149, false, -1},
        // Neither above nor below fits: above when it has as much room as below.
        MenuCase{"fallback_below_130", {686, 130, 1006, 490}, kScreen, 96, true, {686, 148, 1006, 768}, 55, 130, false, 0},
        MenuCase{"fallback_above_131", {686, 131, 1006, 491}, kScreen, 96, true, {686, 0, 1006, 620}, 55, 279, true, 0},
        MenuCase{"fallback_above_132", {686, 132, 1006, 492}, kScreen, 96, true, {686, 0, 1006, 620}, 55, 280, true, 0},
        // 144 dpi sheet: the body width 382.5 rounds half up to 383.
        MenuCase{"sheet_144_half_up", {100, 500, 580, 1040}, {0, 0, 1920, 1080}, 144, false, {100, 110, 580, 1040}, 32, 288, true, 0}),
    testing::CaseName());

TEST(ComputePetRectForDpi, KeepsTheAnchorLineAndFitsTheWorkArea) {
  EXPECT_EQ(ComputePetRectForDpi({686, 390, 1006, 750}, kScreen, 96, 192, true),
            (PixelRect{384, 48, 1024, 768}));
  // Back to 96 dpi on a large screen: centred on the old window, anchor kept.
  EXPECT_EQ(ComputePetRectForDpi({100, 100, 740, 820}, {0, 0, 1920, 1080}, 192, 96, false),
            (PixelRect{260, 298, 580, 658}));
  EXPECT_EQ(ComputePetRectForDpi({686, 390, 1006, 750}, kScreen, 96, 0, true),
            ComputePetRectForDpi({686, 390, 1006, 750}, kScreen, 96, 96, true));
}

TEST(ClampAndSnap, SnapsWithinTheSnapDistanceOnly) {
  // 27 and 28 pixels from an edge: flush against it; 29: left where it was dropped.
  const int32_t expectedLeft[] = {0, 0, 29};
  const int32_t expectedRight[] = {1024, 1024, 995};
  for (int32_t d = 27; d <= 29; ++d) {
    EXPECT_EQ(ClampAndSnap({d, 200, d + 320, 560}, kScreen).left, expectedLeft[d - 27]) << d;
    EXPECT_EQ(ClampAndSnap({704 - d, 100, 1024 - d, 460}, kScreen).right, expectedRight[d - 27]) << d;
  }
  // Beyond an edge: pulled inside; near the top: snapped to it.
  EXPECT_EQ(ClampAndSnap({-50, 20, 270, 380}, kScreen), (PixelRect{0, 0, 320, 360}));
  EXPECT_EQ(ClampAndSnap({2000, 2000, 2320, 2360}, kScreen), (PixelRect{704, 408, 1024, 768}));
}

TEST(WindowPlacement, DashboardAndPetAtCreation) {
  EXPECT_EQ(ComputeDashboardRect(kScreen), (PixelRect{24, 24, 1000, 744}));
  EXPECT_EQ(ComputeDashboardRect({0, 0, 1920, 1040}), (PixelRect{320, 120, 1600, 920}));
  // Small work areas: at least 720 x 560, but never more than the work area.
  EXPECT_EQ(ComputeDashboardRect({0, 0, 700, 500}), (PixelRect{0, 0, 700, 500}));
  EXPECT_EQ(ComputeDashboardRect({0, 0, 740, 600}), (PixelRect{10, 20, 730, 580}));
  EXPECT_EQ(ComputeDefaultPetRect(kScreen, 96), (PixelRect{686, 390, 1006, 750}));
  EXPECT_EQ(ComputeDefaultPetRect(kScreen, 144), (PixelRect{526, 210, 1006, 750}));
  EXPECT_EQ(ComputeSavedPetRect(kScreen, 5000, 100, 96), (PixelRect{704, 100, 1024, 460}));
  EXPECT_EQ(ComputeSavedPetRect(kScreen, -1, -1, 96), (PixelRect{0, 0, 320, 360}));
}

TEST(ScaleRounded, RoundsHalfAwayFromZeroLikeMulDiv) {
  EXPECT_EQ(ScaleRounded(320, 144, 96), 480);
  EXPECT_EQ(ScaleRounded(255, 144, 96), 383);
  EXPECT_EQ(ScaleRounded(-255, 144, 96), -383);
  EXPECT_EQ(ScaleRounded(1, 1, 3), 0);
  EXPECT_EQ(ScaleRounded(5, 1, 0), -1);
}

TEST(Presentation, TargetsBySizeLevelAndDpi) {
  const PixelRect large{0, 0, 1920, 1080};
  // An urgent reminder at 144 dpi aims for 750 x 810.
  EXPECT_EQ(ComputePresentationTarget("urgent", large, 144), (PixelRect{585, 135, 1335, 945}));
  EXPECT_EQ(ComputePresentationTarget("important", large, 96), (PixelRect{720, 280, 1200, 800}));
  EXPECT_EQ(ComputePresentationTarget("normal", large, 0), (PixelRect{730, 290, 1190, 790}));
  EXPECT_EQ(ComputePresentationTarget("whatever", large, 96), ComputePresentationTarget("normal", large, 96));
  // Never larger than the work area less 40 pixels per axis.
  EXPECT_EQ(ComputePresentationTarget("urgent", kScreen, 144), (PixelRect{137, 20, 887, 748}));
  EXPECT_EQ(PresentationEnterDuration("urgent"), 760u);
  EXPECT_EQ(PresentationEnterDuration("important"), 1050u);
  EXPECT_EQ(PresentationEnterDuration("normal"), 1400u);
}

TEST(Presentation, FramesEaseBounceAndEndExactlyAtTheTarget) {
  const PixelRect from{686, 390, 1006, 750};
  const PixelRect to{282, 134, 742, 634};
  const auto start = ComputePresentationFrame(PresentationPhase::Entering, "normal", from, to, 0);
  EXPECT_EQ(start.window, from);
  EXPECT_FALSE(start.finished);
  // Half way: eased 0.875 and lifted by the full bounce of 26 pixels.
  const auto middle = ComputePresentationFrame(PresentationPhase::Entering, "normal", from, to, 700);
  EXPECT_EQ(middle.window.left, static_cast<int>(std::lround(686 + (282 - 686) * 0.875)));
  EXPECT_EQ(middle.window.top, static_cast<int>(std::lround(390 + (134 - 390) * 0.875)) - 26);
  EXPECT_EQ(middle.window.Width(), static_cast<int>(std::lround(320 + 140 * 0.875)));
  const auto end = ComputePresentationFrame(PresentationPhase::Entering, "normal", from, to, 1400);
  EXPECT_TRUE(end.finished);
  EXPECT_EQ(end.window, to);

  // Standing still, half way in each level lifts by its full bounce.
  const struct { const char* level; uint64_t half; int lift; } bounces[] = {
      {"normal", 700, 26}, {"important", 525, 42}, {"urgent", 380, 18}};
  for (const auto& b : bounces) {
    EXPECT_EQ(ComputePresentationFrame(PresentationPhase::Entering, b.level, from, from, b.half)
                  .window.top, from.top - b.lift) << b.level;
  }
  const auto urgent = ComputePresentationFrame(PresentationPhase::Entering, "urgent", from, to, 63);
  const double t = 63.0 / 760.0;
  const double eased = 1 - std::pow(1 - t, 3);
  EXPECT_EQ(urgent.window.left,
            static_cast<int>(std::lround(686 + (282 - 686) * eased)) +
                static_cast<int>(std::lround(std::sin(6 * t * 3.14159265) * (1 - t) * 10)));

  // Leaving eases in and out over 850 ms without a bounce: a quarter in
  // (4t^3), half, three quarters (1 - (2 - 2t)^3 / 2).
  const PixelRect origin{0, 0, 100, 100};
  const PixelRect away{1000, 400, 1100, 500};
  const struct { uint64_t ms; int left; } leaving[] = {{212, 62}, {425, 500}, {638, 938}};
  for (const auto& l : leaving) {
    EXPECT_EQ(ComputePresentationFrame(PresentationPhase::Leaving, "urgent", origin, away, l.ms)
                  .window.left, l.left) << l.ms;
  }
  EXPECT_TRUE(ComputePresentationFrame(PresentationPhase::Leaving, "normal", to, from, 850).finished);
}

}  // namespace
}  // namespace nubo
