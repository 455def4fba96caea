#pragma once

#include <cstdint>

namespace nubo {

// The line settings of one COM port, in the system's own codes.
struct SerialPortSettings {
  char portName[16];     // "COM1".."COM65535", NUL-terminated
  uint32_t baudRate;     // 50..4,000,000
  uint32_t dataBits;     // 5..8
  uint32_t parity;       // 0 none, 1 odd, 2 even, 3 mark, 4 space
  uint32_t stopBits;     // 0 one, 1 one and a half (5 data bits only), 2 two (not with 5 data bits)
  uint32_t flowControl;  // 0 none, 1 RTS/CTS, 2 XON/XOFF
  uint32_t dtr;          // 0 or 1: raise DTR while open
  uint32_t rts;          // 0 or 1: raise RTS while open (unless RTS/CTS flow control)
};

// "COM" and a decimal 1..65535 without a leading zero, then the NUL, all
// within the 16 bytes.
bool IsValidSerialPortName(const char* name, unsigned capacity);

// 1 when every field and combination is valid, else 0 (also for null).
int SerialPortValidateSettings(const SerialPortSettings* settings);

}  // namespace nubo
