#pragma once

#include <functional>

namespace nubo {

// A modal dialog runs a nested message loop, so requests (and a quit) can
// arrive while it is open. The gate lets only one dialog be open at a time
// and tells the application whether one is open. Main thread only.
class DialogGate {
 public:
  bool IsDialogOpen() const { return open_; }

  // Runs show with the gate marked open and answers its result. Throws
  // "已有一个文件窗口正在打开，请先完成或关闭它。" when a dialog is already open.
  int Run(const std::function<int()>& show);

 private:
  bool open_ = false;
};

}  // namespace nubo
