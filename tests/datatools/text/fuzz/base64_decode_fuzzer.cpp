// Base64: the decoder over any text (output bound, exact-capacity heap
// buffers, agreement with a small buffer) and encode/decode round trips.

#include <cstdint>
#include <cstring>
#include <vector>

#include "datatools/text/text_codec.h"
#include "tests/datatools/text/fuzz/fuzz_check.h"

namespace {

using nubo::TextBase64DecodedCapacity;
using nubo::TextBase64Decode;
using nubo::TextBase64Encode;
using nubo::TextBase64EncodedLength;

// Base64 digits before the first "=", the most bytes they can carry.
size_t DigitBound(const char* text, size_t n) {
  size_t digits = 0;
  for (size_t i = 0; i < n && text[i] != '='; ++i) {
    const char c = text[i];
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
        c == '/' || c == '-' || c == '_') {
      ++digits;
    }
  }
  return digits * 6 / 8;
}

void CheckRoundTrip(const uint8_t* data, size_t n, bool urlSafe, bool padded) {
  const int64_t length = TextBase64EncodedLength(n);
  NUBO_FUZZ_CHECK(length >= 0);
  std::vector<char> text(static_cast<size_t>(length) + 1);
  const int32_t written = TextBase64Encode(data, n, text.data(), static_cast<uint64_t>(length),
                                           urlSafe, padded);
  NUBO_FUZZ_CHECK(written >= 0 && written <= length);
  NUBO_FUZZ_CHECK(padded ? written == length : written >= length - 2);
  if (written > 0) {
    NUBO_FUZZ_CHECK(TextBase64Encode(data, n, text.data(), static_cast<uint64_t>(written) - 1,
                                     urlSafe, padded) == -1);
  }
  std::vector<uint8_t> back(static_cast<size_t>(TextBase64DecodedCapacity(static_cast<uint64_t>(written))));
  const int32_t decoded = TextBase64Decode(text.data(), static_cast<uint64_t>(written), back.data(), back.size());
  NUBO_FUZZ_CHECK(decoded == static_cast<int32_t>(n));
  NUBO_FUZZ_CHECK(n == 0 || std::memcmp(back.data(), data, n) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* text = reinterpret_cast<const char*>(data);
  const int64_t capacity = TextBase64DecodedCapacity(size);
  NUBO_FUZZ_CHECK(capacity >= 3);
  // Exactly the capacity on the heap: a write past it is a sanitizer finding.
  std::vector<uint8_t> out(static_cast<size_t>(capacity));
  const int32_t decoded = TextBase64Decode(text, size, out.data(), out.size());
  if (decoded >= 0) {
    NUBO_FUZZ_CHECK(static_cast<size_t>(decoded) <= DigitBound(text, size));
    // One byte less room must fail, never write past the end.
    if (decoded > 0) {
      std::vector<uint8_t> small(static_cast<size_t>(decoded) - 1);
      std::vector<uint8_t> holder(1);
      uint8_t* target = small.empty() ? holder.data() : small.data();
      NUBO_FUZZ_CHECK(TextBase64Decode(text, size, target, small.size()) == -1);
    }
    // The decoded bytes encode back to text that decodes to them again.
    CheckRoundTrip(out.data(), static_cast<size_t>(decoded), false, true);
  }
  const bool urlSafe = size > 0 && (data[0] & 1);
  const bool padded = size > 0 && (data[0] & 2);
  CheckRoundTrip(data, size, urlSafe, padded);
  return 0;
}
