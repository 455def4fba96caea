#include <gtest/gtest.h>

#include <stdexcept>

#include "datatools/dialogs/dialog_gate.h"

namespace nubo {
namespace {

TEST(DialogGate, LetsOneDialogOpenAtATime) {
  DialogGate gate;
  EXPECT_FALSE(gate.IsDialogOpen());
  bool openInside = false;
  std::string nestedRefusal;
  const int result = gate.Run([&] {
    openInside = gate.IsDialogOpen();
    try {
      gate.Run([] { return 1; });
    } catch (const std::runtime_error& error) {
      nestedRefusal = error.what();
    }
    return 7;
  });
  EXPECT_EQ(result, 7);
  EXPECT_TRUE(openInside);
  EXPECT_EQ(nestedRefusal, "已有一个文件窗口正在打开，请先完成或关闭它。");
  EXPECT_FALSE(gate.IsDialogOpen());
  EXPECT_EQ(gate.Run([] { return 0; }), 0);
}

TEST(DialogGate, ClosesAgainWhenTheDialogThrows) {
  DialogGate gate;
  EXPECT_THROW(gate.Run([]() -> int { throw std::runtime_error("x"); }), std::runtime_error);
  EXPECT_FALSE(gate.IsDialogOpen());
}

}  // namespace
}  // namespace nubo
