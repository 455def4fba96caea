#pragma once

#include <cstdint>
#include <cwchar>
#include <string>
#include <vector>

namespace nubo {

// Room for the path a dialog chooses: 32768 UTF-16 units, the longest path
// Windows allows, all NUL to begin with.
class DialogPathBuffer {
 public:
  static constexpr uint64_t kUnits = 32768;

  wchar_t* data() { return units_.data(); }
  uint64_t size() const { return units_.size(); }

  // The text up to the first NUL; a dialog that filled every unit loses the last.
  std::wstring Path() const {
    return std::wstring(units_.data(), wcsnlen(units_.data(), units_.size() - 1));
  }

 private:
  std::vector<wchar_t> units_ = std::vector<wchar_t>(kUnits, L'\0');
};

}  // namespace nubo
