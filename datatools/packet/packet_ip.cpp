#include "datatools/packet/packet_decoder.h"
#include "datatools/packet/packet_decode_support.h"
#include "datatools/packet/packet_format.h"

namespace nubo {
namespace {

using namespace packet_detail;
namespace texts = packet_texts;

constexpr unsigned kProtocolIcmp = 1;
constexpr unsigned kProtocolTcp = 6;
constexpr unsigned kProtocolUdp = 17;
constexpr unsigned kProtocolIcmpv6 = 58;

// Next-header numbers of IPv6 extension headers, which are not walked.
bool IsIpv6ExtensionHeader(unsigned nextHeader) {
  switch (nextHeader) {
    case 0: case 43: case 44: case 50: case 51: case 60: case 135: return true;
    default: return false;
  }
}

void AddIpv4Fields(PacketResult* result, const std::uint8_t* header, std::size_t start) {
  const std::string_view id = texts::kLayerIpv4.id;
  AddDecimalField(result, id, texts::kIpv4Version, start, 1, header[0] >> 4);
  AddBytesField(result, id, texts::kIpv4HeaderLength, start, 1, (header[0] & 0x0Fu) * 4u);
  AddField(result, id, texts::kIpv4DscpEcn, start + 1, 1, [header](PacketTextWriter& value) {
    value.Text("0x").Hex(header[1], 2).Text(" (DSCP=").Decimal(header[1] >> 2)
        .Text(", ECN=").Decimal(header[1] & 0x03u).Char(')');
  });
  AddBytesField(result, id, texts::kIpv4TotalLength, start + 2, 2, ReadU16(header + 2));
  AddHexField(result, id, texts::kIpv4Identification, start + 4, 2, ReadU16(header + 4), 4);
  const std::uint16_t fragment = ReadU16(header + 6);
  AddField(result, id, texts::kIpv4FlagsAndOffset, start + 6, 2, [fragment](PacketTextWriter& value) {
    value.Text("flags=0x").Hex(fragment >> 13, 1).Text(", offsetBytes=").Decimal((fragment & 0x1FFFu) * 8u);
  });
  AddDecimalField(result, id, texts::kIpv4Ttl, start + 8, 1, header[8]);
  AddDecimalField(result, id, texts::kIpv4Protocol, start + 9, 1, header[9]);
  AddHexField(result, id, texts::kIpv4Checksum, start + 10, 2, ReadU16(header + 10), 4);
  AddField(result, id, texts::kIpv4Source, start + 12, 4,
           [header](PacketTextWriter& value) { PacketFormatIpv4(value, header + 12); });
  AddField(result, id, texts::kIpv4Destination, start + 16, 4,
           [header](PacketTextWriter& value) { PacketFormatIpv4(value, header + 16); });
}

void AddIpv6Fields(PacketResult* result, const std::uint8_t* header, std::size_t start) {
  const std::string_view id = texts::kLayerIpv6.id;
  AddDecimalField(result, id, texts::kIpv6Version, start, 1, header[0] >> 4);
  const std::uint32_t word = ReadU32(header);
  AddField(result, id, texts::kIpv6ClassAndFlow, start, 4, [word](PacketTextWriter& value) {
    value.Text("trafficClass=").Decimal((word >> 20) & 0xFFu).Text(", flowLabel=0x").Hex(word & 0xFFFFFu, 5);
  });
  AddBytesField(result, id, texts::kIpv6PayloadLength, start + 4, 2, ReadU16(header + 4));
  AddDecimalField(result, id, texts::kIpv6NextHeader, start + 6, 1, header[6]);
  AddDecimalField(result, id, texts::kIpv6HopLimit, start + 7, 1, header[7]);
  AddField(result, id, texts::kIpv6Source, start + 8, 16,
           [header](PacketTextWriter& value) { PacketFormatIpv6(value, header + 8); });
  AddField(result, id, texts::kIpv6Destination, start + 24, 16,
           [header](PacketTextWriter& value) { PacketFormatIpv6(value, header + 24); });
}

}  // namespace

void PacketDecodeIpv4(const std::uint8_t* data, std::size_t length, std::size_t start,
                      std::size_t end, PacketResult* result) {
  const OpenedLayer ipv4 = OpenLayer(result, texts::kLayerIpv4, start, end, length, 20, false,
                                     texts::kTruncatedIpv4);
  if (!ipv4.complete) return;
  const std::size_t bound = ipv4.bound;
  const std::size_t available = ipv4.available;
  const std::uint8_t* header = data + start;
  if ((header[0] >> 4) != 4) AddWarning(result, texts::kInvalidIpv4Version, start);
  AddIpv4Fields(result, header, start);

  const std::size_t headerLength = (header[0] & 0x0Fu) * 4u;
  if (headerLength < 20) {
    AddWarning(result, texts::kInvalidIpv4Header, start);
    return;
  }
  if (headerLength > available) {
    AddWarning(result, texts::kTruncatedIpv4Options, start);
    return;
  }
  if (headerLength > 20) {
    AddBytesField(result, texts::kLayerIpv4.id, texts::kIpv4Options, start + 20, headerLength - 20,
                  headerLength - 20);
  }

  const std::size_t totalLength = ReadU16(header + 2);
  if (totalLength < headerLength) {
    AddWarning(result, texts::kInvalidIpv4Length, start + 2);
    return;
  }
  std::size_t packetEnd = bound;
  if (totalLength > available) {
    AddWarning(result, texts::kTruncatedIpv4Payload, start + 2);
  } else {
    packetEnd = start + totalLength;
    if (packetEnd < bound) AddWarning(result, texts::kIpv4TrailingBytes, packetEnd);
  }
  if (ipv4.layer != nullptr) ipv4.layer->length = headerLength;

  const unsigned protocol = header[9];
  if ((ReadU16(header + 6) & 0x1FFFu) != 0) {
    AddWarning(result, texts::kIpv4Fragment, protocol, false, start + 6);
    PacketAddPayloadLayer(result, start + headerLength, packetEnd, texts::kFragmentPayload);
  } else {
    PacketDecodeTransport(data, length, start + headerLength, packetEnd, protocol, 4, result);
  }
  PacketAddTrailingLayer(result, packetEnd, bound, texts::kIpv4Trailing);
}

void PacketDecodeIpv6(const std::uint8_t* data, std::size_t length, std::size_t start,
                      std::size_t end, PacketResult* result) {
  const OpenedLayer ipv6 = OpenLayer(result, texts::kLayerIpv6, start, end, length, 40, true,
                                     texts::kTruncatedIpv6);
  if (!ipv6.complete) return;
  const std::size_t bound = ipv6.bound;
  const std::size_t available = ipv6.available;
  const std::uint8_t* header = data + start;
  if ((header[0] >> 4) != 6) AddWarning(result, texts::kInvalidIpv6Version, start);
  AddIpv6Fields(result, header, start);

  const std::size_t payloadLength = ReadU16(header + 4);
  std::size_t packetEnd = bound;
  if (payloadLength > available - 40) {
    AddWarning(result, texts::kTruncatedIpv6Payload, start + 4);
  } else {
    packetEnd = start + 40 + payloadLength;
    if (packetEnd < bound) AddWarning(result, texts::kIpv6TrailingBytes, packetEnd);
  }

  const unsigned nextHeader = header[6];
  if (IsIpv6ExtensionHeader(nextHeader)) {
    AddWarning(result, texts::kIpv6ExtensionHeader, start + 40);
    PacketAddPayloadLayer(result, start + 40, packetEnd, texts::kIpv6ExtensionPayload);
  } else {
    PacketDecodeTransport(data, length, start + 40, packetEnd, nextHeader, 6, result);
  }
  PacketAddTrailingLayer(result, packetEnd, bound, texts::kIpv6Trailing);
}

void PacketDecodeTransport(const std::uint8_t* data, std::size_t length, std::size_t start,
                           std::size_t end, unsigned protocol, unsigned ipVersion,
                           PacketResult* result) {
  if (protocol == kProtocolTcp) {
    PacketDecodeTcp(data, length, start, end, result);
  } else if (protocol == kProtocolUdp) {
    PacketDecodeUdp(data, length, start, end, result);
  } else if ((protocol == kProtocolIcmp && ipVersion == 4) ||
             (protocol == kProtocolIcmpv6 && ipVersion == 6)) {
    PacketDecodeIcmp(data, length, start, end, ipVersion, result);
  } else {
    AddWarning(result, texts::kUnknownTransport, protocol, false, start);
    PacketAddPayloadLayer(result, start, Bound(end, length), texts::kTransportPayload);
  }
}

}  // namespace nubo
