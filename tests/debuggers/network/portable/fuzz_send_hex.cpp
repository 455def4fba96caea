// Any text: the parser never fails silently, never exceeds 64 KiB, and what it
// accepts is exactly what its digits say.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "store/hex_text.h"
#include "debuggers/network/send_hex.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<uint8_t> bytes;
  std::string error;
  if (!nubo::NetworkParseSendHex(text, bytes, error)) {
    if (error.empty() || !bytes.empty()) std::abort();
    return 0;
  }
  if (bytes.empty() || bytes.size() > 65536) std::abort();
  std::vector<uint8_t> again;
  const std::string canonical = nubo::ToLowerHex(bytes.data(), bytes.size());
  if (!nubo::NetworkParseSendHex(canonical, again, error) || again != bytes) std::abort();
  return 0;
}
