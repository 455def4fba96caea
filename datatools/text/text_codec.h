#pragma once

// Base64, hexadecimal and percent-encoding over caller-owned buffers.
// Every routine returns the number of bytes written or -1 (null pointer,
// output too small, malformed input, or a count that would not fit in the
// signed 32-bit result), never allocates, never throws and writes no
// terminating NUL. The capacity functions give the output size that always
// suffices, or -1 when that size cannot be represented.

#include <cstdint>

namespace nubo {

int64_t TextBase64EncodedLength(uint64_t n);
// Standard alphabet, or the URL-safe one ("-" and "_") when urlSafe; "="
// padding when padded. Fails before writing when capacity is too small.
int32_t TextBase64Encode(const uint8_t* data, uint64_t n, char* out, uint64_t capacity,
                         bool urlSafe, bool padded);

int64_t TextBase64DecodedCapacity(uint64_t n);
// Lenient: both alphabets (even mixed), tab/LF/CR/space skipped anywhere,
// the first "=" ends the text, leftover bits are dropped.
int32_t TextBase64Decode(const char* text, uint64_t n, uint8_t* out, uint64_t capacity);

int64_t TextHexEncodedLength(uint64_t n);
// Lower-case digits, high nibble first.
int32_t TextHexEncode(const uint8_t* data, uint64_t n, char* out, uint64_t capacity);
// Optional leading "0x"/"0X"; tab/LF/CR/space/"_" skipped anywhere; digits of
// either case; an odd digit count fails.
int32_t TextHexDecode(const char* text, uint64_t n, uint8_t* out, uint64_t capacity);

int64_t TextUrlEncodedCapacity(uint64_t n);
// Unreserved characters stay; in whole-URL mode (componentMode false) the
// reserved ones stay too; every other byte becomes %XX (upper-case).
int32_t TextUrlEncode(const char* text, uint64_t n, char* out, uint64_t capacity,
                      bool componentMode);
// "+" becomes a space; "%" needs two hexadecimal digits.
int32_t TextUrlDecode(const char* text, uint64_t n, uint8_t* out, uint64_t capacity);

}  // namespace nubo
