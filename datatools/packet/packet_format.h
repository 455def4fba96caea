#pragma once

#include <cstdint>

#include "datatools/packet/packet_text_writer.h"

// Address texts of the decoded fields.
namespace nubo {

// Six bytes as "%02X:%02X:%02X:%02X:%02X:%02X".
inline void PacketFormatMac(PacketTextWriter& out, const std::uint8_t* bytes) {
  for (int i = 0; i < 6; ++i) {
    if (i > 0) out.Char(':');
    out.Hex(bytes[i], 2);
  }
}

// Four bytes as "%u.%u.%u.%u".
inline void PacketFormatIpv4(PacketTextWriter& out, const std::uint8_t* bytes) {
  for (int i = 0; i < 4; ++i) {
    if (i > 0) out.Char('.');
    out.Decimal(bytes[i]);
  }
}

// Sixteen bytes as eight groups of four lower-case hexadecimal digits joined
// by ":", leading zeros kept, never compressed with "::".
inline void PacketFormatIpv6(PacketTextWriter& out, const std::uint8_t* bytes) {
  for (int group = 0; group < 8; ++group) {
    if (group > 0) out.Char(':');
    out.Hex((static_cast<unsigned>(bytes[2 * group]) << 8) | bytes[2 * group + 1], 4, false);
  }
}

}  // namespace nubo
