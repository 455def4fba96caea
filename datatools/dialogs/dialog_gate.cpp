#include "datatools/dialogs/dialog_gate.h"

#include <stdexcept>

#include "datatools/dialogs/dialog_texts.h"

namespace nubo {
namespace {

class OpenScope {
 public:
  explicit OpenScope(bool& open) : open_(open) { open_ = true; }
  ~OpenScope() { open_ = false; }
  OpenScope(const OpenScope&) = delete;
  OpenScope& operator=(const OpenScope&) = delete;

 private:
  bool& open_;
};

}  // namespace

int DialogGate::Run(const std::function<int()>& show) {
  if (open_) throw std::runtime_error(dialog_texts::kDialogAlreadyOpen);
  OpenScope scope(open_);
  return show();
}

}  // namespace nubo
