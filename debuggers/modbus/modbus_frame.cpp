#include "debuggers/modbus/modbus_frame.h"

#include <cstring>

#include "debuggers/modbus/modbus_frame_texts.h"

namespace nubo {
namespace {

namespace texts = modbus_frame_texts;

// 0 for a function code the core does not know.
uint16_t QuantityLimit(uint8_t functionCode) {
  switch (functionCode) {
    case 1:
    case 2:
      return kModbusMaxReadBits;
    case 3:
    case 4:
      return kModbusMaxReadRegisters;
    case 5:
    case 6:
      return 1;
    case 15:
      return kModbusMaxWriteCoils;
    case 16:
      return kModbusMaxWriteRegisters;
    default:
      return 0;
  }
}

bool IsBitFunction(uint8_t functionCode) { return functionCode == 1 || functionCode == 2; }

uint16_t ReadBigEndian(const uint8_t* bytes) { return static_cast<uint16_t>((bytes[0] << 8) | bytes[1]); }

uint8_t* WriteBigEndian(uint8_t* out, uint16_t value) {
  out[0] = static_cast<uint8_t>(value >> 8);
  out[1] = static_cast<uint8_t>(value & 0xFF);
  return out + 2;
}

// The 16-bit field a write request carries after its address, which the
// device echoes.
uint16_t WriteEcho(const ModbusRequest& request) {
  switch (request.functionCode) {
    case 5:
      return request.values[0] != 0 ? 0xFF00 : 0x0000;
    case 6:
      return request.values[0];
    default:
      return request.quantity;
  }
}

// The PDU (function code onwards) at out; returns its end.
uint8_t* WritePdu(const ModbusRequest& request, uint8_t* out) {
  *out++ = request.functionCode;
  out = WriteBigEndian(out, request.address);
  if (!ModbusIsWriteFunction(request.functionCode)) return WriteBigEndian(out, request.quantity);
  out = WriteBigEndian(out, WriteEcho(request));
  if (request.functionCode == 15) {
    const size_t byteCount = (request.quantity + 7u) / 8u;
    *out++ = static_cast<uint8_t>(byteCount);
    for (size_t i = 0; i < request.quantity; ++i) {
      if (request.values[i] != 0) out[i / 8] = static_cast<uint8_t>(out[i / 8] | (1u << (i % 8)));
    }
    out += byteCount;
  } else if (request.functionCode == 16) {
    *out++ = static_cast<uint8_t>(2u * request.quantity);
    for (size_t i = 0; i < request.quantity; ++i) out = WriteBigEndian(out, request.values[i]);
  }
  return out;
}

const char* CheckReadPdu(const ModbusRequest& request, const uint8_t* pdu, size_t pduLength,
                         ModbusResponse& response) {
  const bool bits = IsBitFunction(request.functionCode);
  const size_t byteCount = bits ? (request.quantity + 7u) / 8u : 2u * request.quantity;
  if (pduLength != byteCount + 2 || pdu[1] != byteCount) return texts::kByteCount.data();
  const uint8_t* data = pdu + 2;
  for (size_t i = 0; i < request.quantity; ++i) {
    response.values[i] = bits ? static_cast<uint16_t>((data[i / 8] >> (i % 8)) & 1u) : ReadBigEndian(data + 2 * i);
  }
  response.valueCount = request.quantity;
  return nullptr;
}

const char* CheckWritePdu(const ModbusRequest& request, const uint8_t* pdu, size_t pduLength,
                          ModbusResponse& response) {
  if (pduLength != 5 || ReadBigEndian(pdu + 1) != request.address || ReadBigEndian(pdu + 3) != WriteEcho(request)) {
    return texts::kWriteAck.data();
  }
  std::memcpy(response.values, request.values, request.quantity * sizeof(uint16_t));
  response.valueCount = request.quantity;
  return nullptr;
}

}  // namespace

bool ModbusIsWriteFunction(uint8_t functionCode) {
  return functionCode == 5 || functionCode == 6 || functionCode == 15 || functionCode == 16;
}

const char* ModbusValidateRequest(const ModbusRequest* request) {
  if (request == nullptr) return texts::kMissingRequest.data();
  if (request->unitId < kModbusMinUnitId || request->unitId > kModbusMaxUnitId) return texts::kBadUnitId.data();
  const uint16_t limit = QuantityLimit(request->functionCode);
  if (limit == 0) return texts::kUnsupportedFunction.data();
  if (request->quantity == 0 || request->quantity > limit) return texts::kBadQuantity.data();
  if (uint32_t{request->address} + request->quantity > 65536u) return texts::kAddressRange.data();
  if (!ModbusIsWriteFunction(request->functionCode)) {
    return request->valueCount != 0 ? texts::kReadWithValues.data() : nullptr;
  }
  if (request->valueCount != request->quantity) return texts::kValueCount.data();
  if (request->functionCode == 5 || request->functionCode == 15) {
    for (size_t i = 0; i < request->valueCount; ++i) {
      if (request->values[i] > 1) return texts::kCoilValue.data();
    }
  }
  return nullptr;
}

size_t ModbusBuildRequestFrame(const ModbusRequest* request, bool tcp, uint16_t transactionId, uint8_t* buffer,
                               size_t bufferSize) {
  if (buffer == nullptr || bufferSize < kModbusFrameBufferSize || ModbusValidateRequest(request) != nullptr) {
    return 0;
  }
  std::memset(buffer, 0, bufferSize);
  if (tcp) {
    uint8_t* pduEnd = WritePdu(*request, buffer + kModbusTcpHeaderBytes);
    const size_t length = static_cast<size_t>(pduEnd - buffer);
    uint8_t* out = WriteBigEndian(buffer, transactionId);
    out = WriteBigEndian(out, 0);
    out = WriteBigEndian(out, static_cast<uint16_t>(length - 6));
    *out = request->unitId;
    return length;
  }
  buffer[0] = request->unitId;
  uint8_t* pduEnd = WritePdu(*request, buffer + 1);
  const size_t length = static_cast<size_t>(pduEnd - buffer);
  const uint16_t crc = ModbusCrc16(buffer, length);
  pduEnd[0] = static_cast<uint8_t>(crc & 0xFF);
  pduEnd[1] = static_cast<uint8_t>(crc >> 8);
  return length + 2;
}

uint16_t ModbusCrc16(const uint8_t* bytes, size_t length) {
  uint16_t crc = 0xFFFF;
  for (size_t i = 0; i < length; ++i) {
    crc ^= bytes[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1u) != 0 ? static_cast<uint16_t>((crc >> 1) ^ 0xA001) : crc >> 1;
  }
  return crc;
}

uint32_t ModbusRtuGapMs(uint32_t baudRate) {
  if (baudRate == 0) return kModbusFastLineGapMs;
  return baudRate <= kModbusSlowLineMaxBaud ? (baudRate + 38499) / baudRate : kModbusFastLineGapMs;
}

int ModbusExpectedResponseLength(const uint8_t* bytes, size_t length, bool tcp) {
  if (bytes == nullptr) return -1;
  if (tcp) {
    if (length < 6) return 0;
    const uint16_t lengthField = ReadBigEndian(bytes + 4);
    if (ReadBigEndian(bytes + 2) != 0 || lengthField < kModbusTcpMinLengthField ||
        lengthField > kModbusTcpMaxLengthField) {
      return -1;
    }
    return lengthField + 6;
  }
  if (length < 2) return 0;
  const uint8_t function = bytes[1];
  if ((function & kModbusExceptionFlag) != 0) return 5;
  if (ModbusIsWriteFunction(function)) return 8;
  if (function < 1 || function > 4) return -1;
  if (length < 3) return 0;
  const uint8_t byteCount = bytes[2];
  if (byteCount < 1 || byteCount > kModbusRtuMaxByteCount) return -1;
  return byteCount + 5;
}

const char* ModbusParseResponse(const ModbusRequest* request, bool tcp, uint16_t transactionId,
                                const uint8_t* bytes, size_t length, ModbusResponse* response) {
  if (ModbusValidateRequest(request) != nullptr || bytes == nullptr || response == nullptr) {
    return texts::kParserArguments.data();
  }
  std::memset(response, 0, sizeof(*response));
  const int expected = length > 4 ? ModbusExpectedResponseLength(bytes, length, tcp) : -1;
  if (expected <= 0 || static_cast<size_t>(expected) != length) return texts::kBadLength.data();
  if (tcp) {
    if (ReadBigEndian(bytes) != transactionId) return texts::kTransactionMismatch.data();
  } else {
    const uint16_t crc = ModbusCrc16(bytes, length - 2);
    if (bytes[length - 2] != (crc & 0xFF) || bytes[length - 1] != (crc >> 8)) return texts::kCrcMismatch.data();
  }
  const size_t unitOffset = tcp ? 6 : 0;
  if (bytes[unitOffset] != request->unitId) return texts::kUnitMismatch.data();
  const uint8_t* pdu = bytes + unitOffset + 1;
  const size_t pduLength = length - (tcp ? 7 : 3);
  if (pdu[0] == (request->functionCode | kModbusExceptionFlag)) {
    if (pduLength != 2 || pdu[1] == 0) return texts::kBadException.data();
    response->exceptionCode = pdu[1];
    return nullptr;
  }
  if (pdu[0] != request->functionCode) return texts::kFunctionMismatch.data();
  const char* failure = ModbusIsWriteFunction(request->functionCode) ? CheckWritePdu(*request, pdu, pduLength, *response)
                                                                      : CheckReadPdu(*request, pdu, pduLength, *response);
  if (failure != nullptr) std::memset(response, 0, sizeof(*response));
  return failure;
}

}  // namespace nubo
