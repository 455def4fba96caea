// Any bytes as a response to a few fixed requests over both transports: the
// expected length and the parser must stay inside the bytes and agree.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "debuggers/modbus/modbus_frame.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  static const uint8_t kFunctions[] = {1, 2, 3, 4, 5, 6, 15, 16};
  nubo::ModbusRequest request{};
  request.unitId = 1;
  request.functionCode = kFunctions[data[0] % 8];
  request.quantity = static_cast<uint16_t>(1 + data[0] / 8);
  if (request.functionCode == 5 || request.functionCode == 6) request.quantity = 1;
  if (nubo::ModbusIsWriteFunction(request.functionCode)) request.valueCount = request.quantity;
  const bool tcp = (data[0] & 1) != 0;
  const uint8_t* bytes = data + 1;
  const size_t length = size - 1;
  // A copy of exactly the response's size, so that an overread is reported.
  uint8_t* copy = static_cast<uint8_t*>(std::malloc(length == 0 ? 1 : length));
  if (length > 0) std::memcpy(copy, bytes, length);
  const int expected = nubo::ModbusExpectedResponseLength(copy, length, tcp);
  nubo::ModbusResponse response;
  const char* failure = nubo::ModbusParseResponse(&request, tcp, 1, copy, length, &response);
  if (failure == nullptr) {
    if (expected != static_cast<int>(length)) std::abort();
    if (response.exceptionCode == 0 && response.valueCount != request.quantity) std::abort();
  } else if (response.valueCount != 0 || response.exceptionCode != 0) {
    std::abort();
  }
  std::free(copy);
  return 0;
}
