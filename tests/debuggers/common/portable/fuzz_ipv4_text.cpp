// Any text: what the strict parser accepts is exactly the canonical dotted
// quad of the address it produced.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "debuggers/common/ipv4_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::array<uint8_t, 4> octets{};
  const bool parsed = nubo::ParseStrictIpv4(text, octets);
  const std::string terminated(text);
  uint32_t address = 0;
  const bool nulFree = terminated.find('\0') == std::string::npos;
  if (nulFree && parsed != (nubo::NetParseIpv4(terminated.c_str(), &address) == 1)) std::abort();
  if (!parsed) return 0;
  const std::string canonical = std::to_string(octets[0]) + "." + std::to_string(octets[1]) + "." +
                                std::to_string(octets[2]) + "." + std::to_string(octets[3]);
  if (canonical != text) std::abort();
  if (nubo::IsIpv4MulticastText(text) != (octets[0] >= 224 && octets[0] <= 239)) std::abort();
  return 0;
}
