#include "datatools/packet/packet_decoder.h"
#include "datatools/packet/packet_decode_support.h"

namespace nubo {

using namespace packet_detail;
namespace texts = packet_texts;

void PacketDecodeTcp(const std::uint8_t* data, std::size_t length, std::size_t start,
                     std::size_t end, PacketResult* result) {
  const OpenedLayer tcp = OpenLayer(result, texts::kLayerTcp, start, end, length, 20, false,
                                    texts::kTruncatedTcp);
  if (!tcp.complete) return;
  const std::string_view id = texts::kLayerTcp.id;
  const std::uint8_t* header = data + start;
  const std::size_t headerLength = (header[12] >> 4) * 4u;
  AddDecimalField(result, id, texts::kTcpSourcePort, start, 2, ReadU16(header));
  AddDecimalField(result, id, texts::kTcpDestinationPort, start + 2, 2, ReadU16(header + 2));
  AddDecimalField(result, id, texts::kTcpSequence, start + 4, 4, ReadU32(header + 4));
  AddDecimalField(result, id, texts::kTcpAcknowledgment, start + 8, 4, ReadU32(header + 8));
  AddBytesField(result, id, texts::kTcpHeaderLength, start + 12, 1, headerLength);
  AddHexField(result, id, texts::kTcpFlags, start + 12, 2, ReadU16(header + 12) & 0x01FFu, 3);
  AddDecimalField(result, id, texts::kTcpWindow, start + 14, 2, ReadU16(header + 14));
  AddHexField(result, id, texts::kTcpChecksum, start + 16, 2, ReadU16(header + 16), 4);
  AddDecimalField(result, id, texts::kTcpUrgentPointer, start + 18, 2, ReadU16(header + 18));

  if (headerLength < 20) {
    AddWarning(result, texts::kInvalidTcpHeader, start + 12);
    return;
  }
  if (headerLength > tcp.available) {
    AddWarning(result, texts::kTruncatedTcpOptions, start);
    return;
  }
  if (tcp.layer != nullptr) tcp.layer->length = headerLength;
  if (headerLength > 20) {
    AddBytesField(result, id, texts::kTcpOptions, start + 20, headerLength - 20, headerLength - 20);
  }
  PacketAddPayloadLayer(result, start + headerLength, tcp.bound, texts::kTcpPayload);
}

void PacketDecodeUdp(const std::uint8_t* data, std::size_t length, std::size_t start,
                     std::size_t end, PacketResult* result) {
  const OpenedLayer udp = OpenLayer(result, texts::kLayerUdp, start, end, length, 8, true,
                                    texts::kTruncatedUdp);
  if (!udp.complete) return;
  const std::size_t bound = udp.bound;
  const std::string_view id = texts::kLayerUdp.id;
  const std::uint8_t* header = data + start;
  const std::size_t declared = ReadU16(header + 4);
  AddDecimalField(result, id, texts::kUdpSourcePort, start, 2, ReadU16(header));
  AddDecimalField(result, id, texts::kUdpDestinationPort, start + 2, 2, ReadU16(header + 2));
  AddBytesField(result, id, texts::kUdpLength, start + 4, 2, declared);
  AddHexField(result, id, texts::kUdpChecksum, start + 6, 2, ReadU16(header + 6), 4);

  std::size_t dataEnd = bound;
  if (declared < 8) {
    AddWarning(result, texts::kInvalidUdpLength, start + 4);
  } else if (declared <= udp.available) {
    dataEnd = start + declared;
    if (dataEnd < bound) AddWarning(result, texts::kUdpTrailingBytes, dataEnd);
  } else {
    AddWarning(result, texts::kTruncatedUdpPayload, start + 4);
  }
  PacketAddPayloadLayer(result, start + 8, dataEnd, texts::kUdpPayload);
  PacketAddTrailingLayer(result, dataEnd, bound, texts::kUdpTrailing);
}

void PacketDecodeIcmp(const std::uint8_t* data, std::size_t length, std::size_t start,
                      std::size_t end, unsigned ipVersion, PacketResult* result) {
  const bool v6 = ipVersion == 6;
  const texts::LayerText& layer = v6 ? texts::kLayerIcmpv6 : texts::kLayerIcmp;
  const OpenedLayer icmp = OpenLayer(result, layer, start, end, length, 4, true, texts::kTruncatedIcmp);
  if (!icmp.complete) return;
  const std::uint8_t* header = data + start;
  AddDecimalField(result, layer.id, texts::kIcmpType, start, 1, header[0]);
  AddDecimalField(result, layer.id, texts::kIcmpCode, start + 1, 1, header[1]);
  AddHexField(result, layer.id, texts::kIcmpChecksum, start + 2, 2, ReadU16(header + 2), 4);
  PacketAddPayloadLayer(result, start + 4, icmp.bound, texts::kIcmpPayload);
}

}  // namespace nubo
