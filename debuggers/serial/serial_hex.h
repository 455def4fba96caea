#pragma once

#include <cstddef>
#include <cstdint>

namespace nubo {

// Strict hexadecimal text to bytes: 2..131,072 digits of either case, an even
// number, nothing else, and room for half as many bytes. 1 with the count, or
// 0 with the count 0 and nothing written. byteCount must not be null.
int SerialPortHexToBytes(const char* text, size_t textLength, uint8_t* buffer, size_t capacity, size_t* byteCount);

}  // namespace nubo
