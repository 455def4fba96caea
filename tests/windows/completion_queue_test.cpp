#include "windows/completion_queue.h"

#include <windows.h>

#include <memory>

#include <gtest/gtest.h>

namespace nubo {
namespace {

LRESULT CALLBACK CompletionWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kCompletionMessage) {
    RunCompletion(window, lParam);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// A plain window that runs the completions posted to it, as the browser windows do.
class CompletionQueueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = CompletionWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"nubo-completion-test";
    RegisterClassW(&windowClass);
    window_ = CreateWindowExW(0, windowClass.lpszClassName, L"", WS_POPUP, 0, 0, 1, 1, nullptr,
                              nullptr, windowClass.hInstance, nullptr);
    ASSERT_NE(window_, nullptr);
  }
  void TearDown() override {
    if (window_ != nullptr) DestroyWindow(window_);
  }
  static void Pump() {
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }

  HWND window_ = nullptr;
};

TEST_F(CompletionQueueTest, RunsOnTheWindowsMessageLoop) {
  bool ran = false;
  ASSERT_TRUE(PostCompletion(window_, [&ran] { ran = true; }));
  EXPECT_FALSE(ran);
  Pump();
  EXPECT_TRUE(ran);
}

TEST_F(CompletionQueueTest, DroppedWorkNeverRunsAndIsReleased) {
  bool ran = false;
  auto held = std::make_shared<int>(0);
  ASSERT_TRUE(PostCompletion(window_, [&ran, held] { ran = true; }));
  EXPECT_EQ(held.use_count(), 2);
  DropCompletions(window_);
  EXPECT_EQ(held.use_count(), 1);
  Pump();
  EXPECT_FALSE(ran);
}

TEST_F(CompletionQueueTest, DroppingOneWindowKeepsAnothersWork) {
  bool ran = false;
  ASSERT_TRUE(PostCompletion(window_, [&ran] { ran = true; }));
  HWND other = CreateWindowExW(0, L"nubo-completion-test", L"", WS_POPUP, 0, 0, 1, 1, nullptr,
                               nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(other, nullptr);
  DropCompletions(other);
  DestroyWindow(other);
  Pump();
  EXPECT_TRUE(ran);
}

TEST_F(CompletionQueueTest, NothingIsQueuedForAWindowThatDoesNotExist) {
  auto held = std::make_shared<int>(0);
  HWND gone = window_;
  DestroyWindow(window_);
  window_ = nullptr;
  EXPECT_FALSE(PostCompletion(gone, [held] {}));
  EXPECT_FALSE(PostCompletion(nullptr, [held] {}));
  EXPECT_EQ(held.use_count(), 1);
}

}  // namespace
}  // namespace nubo
