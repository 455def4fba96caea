#include "debuggers/common/ipv4_text.h"

#include <cstring>

namespace nubo {

bool ParseStrictIpv4(std::string_view text, std::array<uint8_t, 4>& octets) {
  std::array<uint8_t, 4> parsed{};
  size_t pos = 0;
  for (size_t part = 0; part < 4; ++part) {
    const size_t start = pos;
    unsigned value = 0;
    while (pos < text.size() && pos - start < 3 && text[pos] >= '0' && text[pos] <= '9') {
      value = value * 10 + static_cast<unsigned>(text[pos] - '0');
      ++pos;
    }
    const size_t digits = pos - start;
    if (digits == 0 || value > 255 || (digits > 1 && text[start] == '0')) return false;
    parsed[part] = static_cast<uint8_t>(value);
    if (part < 3) {
      if (pos >= text.size() || text[pos] != '.') return false;
      ++pos;
    }
  }
  if (pos != text.size()) return false;
  octets = parsed;
  return true;
}

bool IsIpv4MulticastOctets(const std::array<uint8_t, 4>& octets) { return (octets[0] & 0xF0) == 0xE0; }

bool IsIpv4MulticastText(std::string_view text) {
  std::array<uint8_t, 4> octets{};
  return ParseStrictIpv4(text, octets) && IsIpv4MulticastOctets(octets);
}

bool IsAnyInterfaceText(std::string_view text) { return text.empty() || text == "0.0.0.0"; }

int NetParseIpv4(const char* text, uint32_t* address) {
  if (text == nullptr || address == nullptr) return 0;
  std::array<uint8_t, 4> octets{};
  if (!ParseStrictIpv4(text, octets)) return 0;
  std::memcpy(address, octets.data(), sizeof(*address));  // most significant part first in memory
  return 1;
}

int NetIsIpv4MulticastText(const char* text) {
  return text != nullptr && IsIpv4MulticastText(text) ? 1 : 0;
}

}  // namespace nubo
