#include "debuggers/serial/serial_hex.h"

#include "debuggers/serial/serial_limits.h"
#include "store/hex_digits.h"

namespace nubo {

int SerialPortHexToBytes(const char* text, size_t textLength, uint8_t* buffer, size_t capacity, size_t* byteCount) {
  if (byteCount == nullptr) return 0;
  *byteCount = 0;
  if (text == nullptr || buffer == nullptr || textLength == 0 || textLength % 2 != 0 ||
      textLength > serial::kHexTextMaxChars || capacity < textLength / 2) {
    return 0;
  }
  for (size_t i = 0; i < textLength; ++i) {
    if (HexDigitValue(text[i]) < 0) return 0;
  }
  for (size_t i = 0; i < textLength; i += 2) {
    buffer[i / 2] = static_cast<uint8_t>(HexDigitValue(text[i]) << 4 | HexDigitValue(text[i + 1]));
  }
  *byteCount = textLength / 2;
  return 1;
}

}  // namespace nubo
