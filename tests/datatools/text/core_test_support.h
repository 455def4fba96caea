#pragma once

// Helpers for the text-core tests: run a core into an exactly sized heap
// buffer (so the sanitizers see any write past it) and read the result back.

#include <cstdint>
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

}  // namespace nubo::testing
