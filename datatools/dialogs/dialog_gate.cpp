#include "datatools/dialogs/dialog_gate.h"

#include <stdexcept>

#include "datatools/dialogs/dialog_texts.h"
#include "store/flag_scope.h"

namespace nubo {

int DialogGate::Run(const std::function<int()>& show) {
  if (open_) throw std::runtime_error(dialog_texts::kDialogAlreadyOpen);
  FlagScope scope(open_);
  return show();
}

}  // namespace nubo
