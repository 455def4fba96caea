// Any text and capacity: the strict parser accepts exactly the even runs of
// hex digits that fit, writes nothing otherwise, and gives back the digits.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "debuggers/serial/serial_hex.h"
#include "store/hex_digits.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const size_t capacity = data[0] * 4u;
  const char* text = reinterpret_cast<const char*>(data + 1);
  const size_t length = size - 1;
  std::vector<uint8_t> buffer(capacity, 0xEE);
  size_t count = 7;
  const int ok = nubo::SerialPortHexToBytes(text, length, buffer.data(), capacity, &count);
  bool digits = true;
  for (size_t i = 0; i < length; ++i) digits = digits && nubo::HexDigitValue(text[i]) >= 0;
  const bool expected = length > 0 && length % 2 == 0 && length <= 131072 && capacity >= length / 2 && digits;
  if ((ok == 1) != expected) std::abort();
  if (!ok) {
    for (uint8_t b : buffer) if (b != 0xEE || count != 0) std::abort();
    return 0;
  }
  if (count != length / 2) std::abort();
  for (size_t i = 0; i < count; ++i) {
    if (buffer[i] != (nubo::HexDigitValue(text[2 * i]) << 4 | nubo::HexDigitValue(text[2 * i + 1]))) {
      std::abort();
    }
  }
  return 0;
}
