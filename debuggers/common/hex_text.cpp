#include "debuggers/common/hex_text.h"

#include "datatools/text/hex_digits.h"

namespace nubo {

std::string ToLowerHex(const uint8_t* data, size_t size) {
  std::string text(size * 2, '\0');
  if (size != 0) text_core::WriteLowerHex(data, static_cast<unsigned>(size), text.data());
  return text;
}

}  // namespace nubo
