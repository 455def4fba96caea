// Hex: the decoder over any text (output bound, exact-capacity heap buffers)
// and encode/decode round trips.

#include <cstdint>
#include <cstring>
#include <vector>

#include "datatools/text/text_codec.h"
#include "tests/datatools/text/fuzz/fuzz_check.h"

namespace {

void CheckRoundTrip(const uint8_t* data, size_t n) {
  std::vector<char> text(n * 2 + 1);
  NUBO_FUZZ_CHECK(nubo::TextHexEncode(data, n, text.data(), n * 2) == static_cast<int32_t>(n * 2));
  if (n > 0) NUBO_FUZZ_CHECK(nubo::TextHexEncode(data, n, text.data(), n * 2 - 1) == -1);
  std::vector<uint8_t> back(n + 1);
  NUBO_FUZZ_CHECK(nubo::TextHexDecode(text.data(), n * 2, back.data(), back.size()) ==
                  static_cast<int32_t>(n));
  NUBO_FUZZ_CHECK(n == 0 || std::memcmp(back.data(), data, n) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* text = reinterpret_cast<const char*>(data);
  std::vector<uint8_t> out(size / 2 + 1);
  const int32_t decoded = nubo::TextHexDecode(text, size, out.data(), out.size());
  if (decoded >= 0) {
    NUBO_FUZZ_CHECK(static_cast<size_t>(decoded) <= size / 2);
    if (decoded > 0) {
      std::vector<uint8_t> small(static_cast<size_t>(decoded) - 1);
      std::vector<uint8_t> holder(1);
      NUBO_FUZZ_CHECK(nubo::TextHexDecode(text, size, small.empty() ? holder.data() : small.data(),
                                          small.size()) == -1);
    }
    CheckRoundTrip(out.data(), static_cast<size_t>(decoded));
  }
  CheckRoundTrip(data, size);
  return 0;
}
