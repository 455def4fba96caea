#pragma once

// Passwords from caller-supplied random bytes, Unix times as UTC text and the
// UUID layouts. Each writes its text and a terminating NUL into a
// caller-owned buffer (the capacity counts the NUL), returns the text's
// length or a negative status, never allocates and never throws. None draws
// randomness or reads a clock itself.

#include <cstdint>

namespace nubo {

// -1: null pointer, length not positive or above the 32-bit result range,
// capacity below length + 1, no class selected, or length below the number of
// selected classes. -2: the random bytes ran out (a NUL is then written at
// position 0). Holds at least one character of every selected class.
int32_t TextGeneratePassword(const uint8_t* random, uint64_t randomLength, int64_t length,
                             bool lower, bool upper, bool digits, bool symbols, char* out,
                             uint64_t capacity);

enum : int { kUnixTimeSeconds = 0, kUnixTimeMilliseconds = 1 };
constexpr uint64_t kUnixTimeTextCapacity = 25;

// YYYY-MM-DDTHH:MM:SS.mmmZ (24 characters) for instants in the years 0 to
// 9999; -1 outside them, for a null output, a capacity below 25 or an
// unknown unit.
int32_t TextFormatUnixTime(int64_t value, int unit, char* out, uint64_t capacity);

constexpr uint64_t kUuidTextCapacity = 37;

// 8-4-4-4-12 lower-case digits of 16 bytes in order; -1 for a null pointer or
// a capacity below 37.
int32_t TextFormatUuid(const uint8_t bytes[16], char* out, uint64_t capacity);
// Version 4 from 16 random bytes.
int32_t TextFormatUuidV4(const uint8_t random[16], char* out, uint64_t capacity);
// Version 7: the low 48 bits of the time, then 10 random bytes.
int32_t TextFormatUuidV7(uint64_t unixMilliseconds, const uint8_t random[10], char* out,
                         uint64_t capacity);

}  // namespace nubo
