// URL: the decoder over any text (output bound, exact-capacity heap
// buffers) and encode/decode round trips in both modes.

#include <cstdint>
#include <cstring>
#include <vector>

#include "datatools/text/text_codec.h"
#include "tests/datatools/text/fuzz/fuzz_check.h"

namespace {

bool IsUnreserved(uint8_t c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~';
}

void CheckRoundTrip(const uint8_t* data, size_t n, bool componentMode) {
  const char* text = reinterpret_cast<const char*>(data);
  std::vector<char> encoded(n * 3 + 1);
  const int32_t length = nubo::TextUrlEncode(text, n, encoded.data(), n * 3, componentMode);
  NUBO_FUZZ_CHECK(length >= static_cast<int32_t>(n) && length <= static_cast<int32_t>(n * 3));
  for (int32_t i = 0; i < length; ++i) {
    const uint8_t c = static_cast<uint8_t>(encoded[static_cast<size_t>(i)]);
    NUBO_FUZZ_CHECK(c > 0x20 && c < 0x7f);
    if (componentMode) NUBO_FUZZ_CHECK(IsUnreserved(c) || c == '%' || (c >= 'A' && c <= 'F'));
  }
  if (length > 0) {
    NUBO_FUZZ_CHECK(nubo::TextUrlEncode(text, n, encoded.data(), static_cast<uint64_t>(length) - 1,
                                        componentMode) == -1);
  }
  std::vector<uint8_t> back(static_cast<size_t>(length) + 1);
  const int32_t decoded = nubo::TextUrlDecode(encoded.data(), static_cast<uint64_t>(length),
                                              back.data(), back.size());
  NUBO_FUZZ_CHECK(decoded == static_cast<int32_t>(n));
  // Whole-URL mode keeps "+", which decodes to a space.
  for (size_t i = 0; i < n; ++i) {
    const uint8_t expected = !componentMode && data[i] == '+' ? ' ' : data[i];
    NUBO_FUZZ_CHECK(back[i] == expected);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* text = reinterpret_cast<const char*>(data);
  std::vector<uint8_t> out(size);
  std::vector<uint8_t> holder(1);
  uint8_t* target = out.empty() ? holder.data() : out.data();
  const int32_t decoded = nubo::TextUrlDecode(text, size, target, out.size());
  if (decoded >= 0) {
    NUBO_FUZZ_CHECK(static_cast<size_t>(decoded) <= size);
    if (decoded > 0) {
      std::vector<uint8_t> small(static_cast<size_t>(decoded) - 1);
      NUBO_FUZZ_CHECK(nubo::TextUrlDecode(text, size, small.empty() ? holder.data() : small.data(),
                                          small.size()) == -1);
    }
  }
  CheckRoundTrip(data, size, true);
  CheckRoundTrip(data, size, false);
  return 0;
}
