// Any record: the check never reads past the port name's 16 bytes and agrees
// with a plain restatement of the rules over a parsed port number.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "debuggers/serial/serial_port_settings.h"

namespace {

bool NameValid(const char* name) {
  const void* end = std::memchr(name, '\0', 16);
  if (end == nullptr) return false;
  const size_t length = static_cast<const char*>(end) - name;
  if (length < 4 || length > 8 || std::strncmp(name, "COM", 3) != 0 || name[3] == '0') return false;
  unsigned long number = 0;
  for (size_t i = 3; i < length; ++i) {
    if (name[i] < '0' || name[i] > '9') return false;
    number = number * 10 + (name[i] - '0');
  }
  return number >= 1 && number <= 65535;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  nubo::SerialPortSettings s{};
  if (size < sizeof(s)) return 0;
  std::memcpy(&s, data, sizeof(s));
  // Small numbers reach the boundaries more often than raw 32-bit values.
  s.dataBits %= 10;
  s.stopBits %= 4;
  s.parity %= 6;
  s.flowControl %= 4;
  s.dtr %= 3;
  s.rts %= 3;
  const bool expected = NameValid(s.portName) && s.baudRate >= 50 && s.baudRate <= 4000000 && s.dataBits >= 5 &&
                        s.dataBits <= 8 && s.parity <= 4 && s.stopBits <= 2 && s.flowControl <= 2 && s.dtr <= 1 &&
                        s.rts <= 1 && !(s.stopBits == 1 && s.dataBits != 5) && !(s.stopBits == 2 && s.dataBits == 5);
  if ((nubo::SerialPortValidateSettings(&s) == 1) != expected) std::abort();
  return 0;
}
