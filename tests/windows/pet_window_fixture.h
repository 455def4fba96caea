#pragma once

#include <gtest/gtest.h>

#include <string>

#include "tests/support/app_harness.h"
#include "tests/support/window_rect.h"

namespace nubo {

// The pet window of a started application, with a clock the test moves.
class PetWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    harness_.shell.useFakeTicks = true;
    harness_.shell.ticks = 1'000'000;
    harness_.Start();
    pet_ = harness_.PetHandle();
  }

  // Drags the pet by (dx, dy) through real cursor moves.
  void Drag(int dx, int dy) {
    const RECT start = testing::WindowRect(pet_);
    const POINT grab{start.left + 100, start.top + 100};
    ASSERT_TRUE(SetCursorPos(grab.x, grab.y));
    harness_.FromPet(R"({"type":"window.drag.start"})");
    ASSERT_TRUE(SetCursorPos(grab.x + dx / 2, grab.y + dy / 2));
    harness_.FromPet(R"({"type":"window.drag.move"})");
    ASSERT_TRUE(SetCursorPos(grab.x + dx, grab.y + dy));
    harness_.FromPet(R"({"type":"window.drag.end"})");
  }

  void Advance(uint64_t ms) {
    harness_.shell.ticks += ms;
    harness_.app().PetWindow()->OnPresentationTimer();
  }

  void MakeDueReminder(const std::string& priority) {
    harness_.app().Store().CreateReminder("drink water", 1000, "none", priority);
  }

  testing::AppHarness harness_;
  HWND pet_ = nullptr;
};

}  // namespace nubo
