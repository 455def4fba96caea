#pragma once

#include <cstdint>
#include <vector>

namespace nubo {

// The outcome of a "learn the size, then read" system query.
struct ResizingQueryResult {
  bool ok = false;
  std::vector<unsigned char> bytes;  // the zeroed buffer the read succeeded into
  uint32_t reportedBytes = 0;        // the size the query reported on success
};

// How often a query is repeated while its data keeps growing between calls.
inline constexpr int kResizingQueryAttempts = 5;

// Runs query(buffer, size) starting with initialBytes (0 asks for the size
// with no buffer). When the query answers growStatus with a larger size, the
// data grew since the size was learned: the buffer is reallocated to the new
// size and the query repeated, up to kResizingQueryAttempts calls in all.
// Status 0 means success; any other status, or a size of 0, is a failure.
template <typename Query>
ResizingQueryResult RunResizingQuery(Query&& query, uint32_t initialBytes, uint32_t growStatus) {
  ResizingQueryResult result;
  uint32_t size = initialBytes;
  for (int attempt = 0; attempt < kResizingQueryAttempts; ++attempt) {
    result.bytes.assign(size, 0);
    uint32_t reported = size;
    const uint32_t status = query(size == 0 ? nullptr : result.bytes.data(), reported);
    if (status == 0) {
      if (size == 0) break;  // nothing to read
      result.ok = true;
      result.reportedBytes = reported;
      return result;
    }
    if (status != growStatus || reported == 0) break;
    size = reported;
  }
  result.bytes.clear();
  return result;
}

}  // namespace nubo
