#pragma once

// Helpers for the text-core tests: run a core into an exactly sized heap
// buffer (so the sanitizers see any write past it) and read the result back.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace nubo::testing {

struct CoreOutput {
  int32_t status = 0;
  std::string text;  // the bytes written, when status is a count
};

inline const uint8_t* AsBytes(std::string_view text) {
  return reinterpret_cast<const uint8_t*>(text.data());
}

// Calls core(out, capacity) with a heap buffer of exactly capacity bytes.
template <typename Core>
CoreOutput RunCore(uint64_t capacity, Core core) {
  std::unique_ptr<char[]> buffer(new char[capacity == 0 ? 1 : capacity]);
  CoreOutput result;
  result.status = core(buffer.get(), capacity);
  if (result.status > 0) result.text.assign(buffer.get(), static_cast<size_t>(result.status));
  return result;
}

inline uint8_t* AsOut(char* out) { return reinterpret_cast<uint8_t*>(out); }

// A table row for a decoder: the text, the expected status and, for a
// count, the bytes.
struct DecodeCase {
  const char* name;
  std::string text;
  int32_t status;
  std::string bytes;
};

inline void ExpectDecoded(const CoreOutput& decoded, const DecodeCase& expected) {
  EXPECT_EQ(decoded.status, expected.status);
  if (expected.status >= 0) {
    EXPECT_EQ(decoded.text, expected.bytes);
  }
}

// The password character classes, and how many characters of text are in set.
constexpr char kLowerLetters[] = "abcdefghijklmnopqrstuvwxyz";
constexpr char kUpperLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr char kDigitCharacters[] = "0123456789";
constexpr char kSymbolCharacters[] = "!@#$%^&*()-_=+[]{};:,.?/";

inline size_t CountOf(std::string_view text, const char* set) {
  size_t count = 0;
  for (char c : text) count += c != '\0' && std::strchr(set, c) != nullptr ? 1 : 0;
  return count;
}

}  // namespace nubo::testing
