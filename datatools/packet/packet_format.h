#pragma once

#include <cstdint>

#include "datatools/packet/packet_text_writer.h"

// Address texts of the decoded fields.
namespace nubo {

// Six bytes as "%02X:%02X:%02X:%02X:%02X:%02X".
void PacketFormatMac(PacketTextWriter& out, const std::uint8_t* bytes);

// Four bytes as "%u.%u.%u.%u".
void PacketFormatIpv4(PacketTextWriter& out, const std::uint8_t* bytes);

// Sixteen bytes as eight groups of four lower-case hexadecimal digits joined
// by ":", leading zeros kept, never compressed with "::".
void PacketFormatIpv6(PacketTextWriter& out, const std::uint8_t* bytes);

}  // namespace nubo
