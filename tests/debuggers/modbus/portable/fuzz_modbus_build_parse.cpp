// A request from the bytes is built; a valid one's frame, answered by the
// echo a device gives to a write, must parse back into the written values.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "debuggers/modbus/modbus_frame.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 8) return 0;
  nubo::ModbusRequest request{};
  request.unitId = data[0];
  request.functionCode = data[1];
  request.address = static_cast<uint16_t>(data[2] << 8 | data[3]);
  request.quantity = static_cast<uint16_t>(data[4] << 8 | data[5]);
  const bool tcp = (data[6] & 1) != 0;
  request.valueCount = nubo::ModbusIsWriteFunction(request.functionCode) ? request.quantity : (data[6] >> 1) & 1;
  for (size_t i = 0; i < nubo::kModbusMaxValues; ++i) {
    const uint8_t b = data[7 + i % (size - 7)];
    request.values[i] = (request.functionCode == 5 || request.functionCode == 15) ? (b & 1) : static_cast<uint16_t>(b * 257 + i);
  }
  uint8_t frame[nubo::kModbusFrameBufferSize];
  const size_t length = nubo::ModbusBuildRequestFrame(&request, tcp, 0x1234, frame, sizeof(frame));
  const bool valid = nubo::ModbusValidateRequest(&request) == nullptr;
  if (valid != (length != 0) || length > 259) std::abort();
  if (!valid || !nubo::ModbusIsWriteFunction(request.functionCode)) return 0;
  // A write's acknowledgement is its first 6 (RTU) or 12 (TCP) bytes.
  uint8_t echo[12];
  const size_t echoLength = tcp ? 12 : 8;
  std::memcpy(echo, frame, tcp ? 12 : 6);
  if (tcp) {
    echo[5] = 6;
  } else {
    const uint16_t crc = nubo::ModbusCrc16(echo, 6);
    echo[6] = static_cast<uint8_t>(crc & 0xFF);
    echo[7] = static_cast<uint8_t>(crc >> 8);
  }
  nubo::ModbusResponse response;
  if (nubo::ModbusParseResponse(&request, tcp, 0x1234, echo, echoLength, &response) != nullptr) std::abort();
  if (response.valueCount != request.quantity ||
      std::memcmp(response.values, request.values, request.quantity * sizeof(uint16_t)) != 0) {
    std::abort();
  }
  return 0;
}
