#pragma once

#include <stdexcept>
#include <string>

namespace nubo::testing {

// The text of the runtime error that call raises, or "(no failure)".
template <typename Call>
std::string FailureText(Call call) {
  try {
    call();
  } catch (const std::runtime_error& error) {
    return error.what();
  }
  return "(no failure)";
}

}  // namespace nubo::testing
