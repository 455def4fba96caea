#include <gtest/gtest.h>

#include "tests/support/window_rect.h"
#include "tests/windows/pet_window_fixture.h"

// Drags move the one system cursor, so these tests run alone.
namespace nubo {
namespace {

using testing::WindowRect;

TEST_F(PetWindowTest, DragFollowsTheCursorAndSnapsOnlyNearAnEdge) {
  // Dropped 20 pixels from the right edge (686 -> 684): flush against it.
  Drag(-2, -100);
  RECT rect = WindowRect(pet_);
  EXPECT_EQ(rect.right, 1024);
  EXPECT_EQ(rect.top, 290);
  EXPECT_EQ(harness_.app().Store().GetSetting("pet.x").value(), "704");
  EXPECT_EQ(harness_.app().Store().GetSetting("pet.y").value(), "290");

  // Dropped 40 pixels from it: stays where it was dropped.
  Drag(-40, 0);
  rect = WindowRect(pet_);
  EXPECT_EQ(rect.left, 664);
  EXPECT_EQ(harness_.app().Store().GetSetting("pet.x").value(), "664");
  EXPECT_FALSE(harness_.app().PetWindow()->IsDragging());
}

TEST_F(PetWindowTest, DragMessagesWhilePresentingDoNotMoveThePet) {
  MakeDueReminder("normal");
  harness_.app().OnTick();
  ASSERT_TRUE(harness_.app().PetWindow()->IsPresenting());
  const RECT before = WindowRect(pet_);
  Drag(-200, -200);
  const RECT after = WindowRect(pet_);
  EXPECT_EQ(before.left, after.left);
  EXPECT_EQ(before.top, after.top);
  EXPECT_FALSE(harness_.app().Store().GetSetting("pet.x").has_value());
}

}  // namespace
}  // namespace nubo
