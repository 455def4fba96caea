#include "datatools/packet/packet_format.h"

namespace nubo {

void PacketFormatMac(PacketTextWriter& out, const std::uint8_t* bytes) {
  for (int i = 0; i < 6; ++i) {
    if (i > 0) out.Text(":");
    out.Hex(bytes[i], 2);
  }
}

void PacketFormatIpv4(PacketTextWriter& out, const std::uint8_t* bytes) {
  for (int i = 0; i < 4; ++i) {
    if (i > 0) out.Text(".");
    out.Decimal(bytes[i]);
  }
}

void PacketFormatIpv6(PacketTextWriter& out, const std::uint8_t* bytes) {
  for (int group = 0; group < 8; ++group) {
    if (group > 0) out.Text(":");
    out.Hex((static_cast<unsigned>(bytes[2 * group]) << 8) | bytes[2 * group + 1], 4, false);
  }
}

}  // namespace nubo
