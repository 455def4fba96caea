#pragma once

// The Modbus frame core: request frames for Modbus TCP (MBAP header) and RTU
// (CRC), the length a response must have from its first bytes, and the check
// and decoding of a response. Plain functions over caller-owned buffers that
// never throw; a check answers nullptr on success or a fixed English text.

#include <cstddef>
#include <cstdint>

#include "debuggers/modbus/modbus_limits.h"

namespace nubo {

struct ModbusRequest {
  uint8_t unitId;
  uint8_t functionCode;
  uint16_t address;
  uint16_t quantity;
  uint16_t values[kModbusMaxValues];
  uint64_t valueCount;
};

struct ModbusResponse {
  uint16_t values[kModbusMaxValues];
  uint16_t valueCount;
  uint8_t exceptionCode;
};

bool ModbusIsWriteFunction(uint8_t functionCode);
const char* ModbusValidateRequest(const ModbusRequest* request);
// The frame's length, or 0 for a null or too small (< 260 bytes) buffer or
// an invalid request.
size_t ModbusBuildRequestFrame(const ModbusRequest* request, bool tcp, uint16_t transactionId, uint8_t* buffer,
                               size_t bufferSize);
uint16_t ModbusCrc16(const uint8_t* bytes, size_t length);
// The whole response's length; 0 while more bytes are needed to tell; -1 when
// the bytes cannot begin a valid response.
int ModbusExpectedResponseLength(const uint8_t* bytes, size_t length, bool tcp);
// The RTU silence before a frame: 3.5 characters of 11 bits, rounded up, up
// to 19,200 baud; 2 ms above.
uint32_t ModbusRtuGapMs(uint32_t baudRate);
// nullptr also for an exception response, which sets exceptionCode.
const char* ModbusParseResponse(const ModbusRequest* request, bool tcp, uint16_t transactionId,
                                const uint8_t* bytes, size_t length, ModbusResponse* response);

}  // namespace nubo
