#pragma once

#include <cstddef>
#include <cstdint>

namespace nubo {

inline constexpr uint8_t kModbusMinUnitId = 1;
inline constexpr uint8_t kModbusMaxUnitId = 247;
inline constexpr size_t kModbusMaxValues = 2000;
inline constexpr uint16_t kModbusMaxReadBits = 2000;
inline constexpr uint16_t kModbusMaxReadRegisters = 125;
inline constexpr uint16_t kModbusMaxWriteCoils = 1968;
inline constexpr uint16_t kModbusMaxWriteRegisters = 123;
// The longest frame is 259 bytes (15 with 1968 coils over TCP); one byte more
// of room is asked of every frame buffer.
inline constexpr size_t kModbusFrameBufferSize = 260;
inline constexpr size_t kModbusMaxResponseBytes = 260;
inline constexpr size_t kModbusTcpHeaderBytes = 7;
inline constexpr uint16_t kModbusTcpMinLengthField = 3;
inline constexpr uint16_t kModbusTcpMaxLengthField = 254;
inline constexpr uint8_t kModbusRtuMaxByteCount = 250;
inline constexpr uint8_t kModbusExceptionFlag = 0x80;
inline constexpr uint32_t kModbusSlowLineMaxBaud = 19200;
inline constexpr uint32_t kModbusFastLineGapMs = 2;

// The "ports" listing of the serial device map.
inline constexpr uint32_t kModbusPortsMaxIndexes = 1024;
inline constexpr uint32_t kModbusPortsNameUnits = 512;
inline constexpr uint32_t kModbusPortsDataBytes = 1024;
inline constexpr size_t kModbusPortNameMaxChars = 511;

}  // namespace nubo
