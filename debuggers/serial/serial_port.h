#pragma once

#include <cstddef>
#include <cstdint>

#include "debuggers/serial/serial_port_settings.h"

namespace nubo {

// One open COM port in overlapped mode, driven by a single polling thread:
// at most one read and one write in flight, no allocation after opening.
// Error codes are Win32 codes; every out-parameter but the counts may be
// null. None of these functions throws.
struct SerialPort;

struct SerialPortInfo {
  char portName[16];     // "COMn"
  char deviceName[256];  // the device map's value name, UTF-8
};

// Opens and configures the port; null with the code on failure (87 for
// invalid settings).
SerialPort* SerialPortOpen(const SerialPortSettings* settings, uint32_t* errorCode);

// Bytes copied (> 0), 0 while nothing arrived or a read is in flight, -1 with
// the code on failure; capacity must be at least 16,384.
int SerialPortRead(SerialPort* port, uint8_t* destination, size_t capacity, uint32_t* errorCode);

// Waits up to timeoutMs for the read in flight to finish; false at once when
// no read is in flight (the caller then waits its own way).
bool SerialPortWaitForRead(SerialPort* port, uint32_t timeoutMs);

// Starts a write of 1..65,536 bytes (copied); 1 when started or done, 0 with
// the code when refused or failed.
int SerialPortWrite(SerialPort* port, const uint8_t* bytes, size_t length, uint32_t* errorCode);

// 1 with the count when the write finished, 0 while in flight, -1 with the
// code on failure or when no write was started.
int SerialPortPollWrite(SerialPort* port, uint32_t* bytesWritten, uint32_t* errorCode);

// Cancels and waits for outstanding I/O, then releases everything; null allowed.
void SerialPortClose(SerialPort* port);

// The ports of HARDWARE\DEVICEMAP\SERIALCOMM in the registry's order: the
// number filled, 0 (code 0) without the key, -1 with the code.
int SerialPortEnumerate(SerialPortInfo* ports, size_t capacity, uint32_t* errorCode);

}  // namespace nubo
