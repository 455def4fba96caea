#pragma once

// MD5 and SHA-256 digests of caller-owned bytes as lower-case hexadecimal
// text (no terminating NUL). Each returns the number of characters written,
// or -1 for a null pointer or a capacity below the digest's length.

#include <cstdint>

namespace nubo {

constexpr uint64_t kMd5HexLength = 32;
constexpr uint64_t kSha256HexLength = 64;

int32_t TextMd5Hex(const uint8_t* data, uint64_t n, char* out, uint64_t capacity);
int32_t TextSha256Hex(const uint8_t* data, uint64_t n, char* out, uint64_t capacity);

}  // namespace nubo
