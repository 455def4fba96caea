#include "datatools/packet/packet_decoder.h"
#include "datatools/packet/packet_decode_support.h"
#include "datatools/packet/packet_format.h"

namespace nubo {
namespace {

using namespace packet_detail;
namespace texts = packet_texts;

// A hardware address: the MAC text for six bytes, else its size.
void AddHardwareAddress(PacketResult* result, const packet_texts::FieldText& field,
                        const std::uint8_t* data, std::size_t offset, std::size_t size) {
  AddField(result, texts::kLayerArp.id, field, offset, size, [&](PacketTextWriter& value) {
    if (size == 6) {
      PacketFormatMac(value, data + offset);
    } else {
      value.Decimal(size).Text(" bytes");
    }
  });
}

// A protocol address: dotted text for four bytes of IPv4, else its size.
void AddProtocolAddress(PacketResult* result, const packet_texts::FieldText& field,
                        const std::uint8_t* data, std::size_t offset, std::size_t size,
                        bool ipv4) {
  AddField(result, texts::kLayerArp.id, field, offset, size, [&](PacketTextWriter& value) {
    if (ipv4 && size == 4) {
      PacketFormatIpv4(value, data + offset);
    } else {
      value.Decimal(size).Text(" bytes");
    }
  });
}

}  // namespace

void PacketDecodeEthernet(const std::uint8_t* data, std::size_t length, PacketResult* result) {
  AddLayer(result, texts::kLayerEthernet, 0, length < 14 ? length : 14);
  if (length < 14) {
    AddWarning(result, texts::kTruncatedEthernet, 0);
    return;
  }
  const std::string_view id = texts::kLayerEthernet.id;
  AddField(result, id, texts::kEthDestination, 0, 6,
           [data](PacketTextWriter& value) { PacketFormatMac(value, data); });
  AddField(result, id, texts::kEthSource, 6, 6,
           [data](PacketTextWriter& value) { PacketFormatMac(value, data + 6); });
  std::uint16_t etherType = ReadU16(data + 12);
  AddHexField(result, id, texts::kEthType, 12, 2, etherType, 4);

  std::size_t start = 14;
  if (etherType == kEtherTypeVlan || etherType == kEtherTypeQinQ) {
    if (length < 18) {
      AddWarning(result, texts::kTruncatedVlan, 14);
      return;
    }
    AddLayer(result, texts::kLayerVlan, 14, 4);
    const std::string_view vlan = texts::kLayerVlan.id;
    const std::uint16_t control = ReadU16(data + 14);
    AddField(result, vlan, texts::kVlanTagControl, 14, 2, [control](PacketTextWriter& value) {
      value.Text("priority=").Decimal(control >> 13).Text(", dei=").Decimal((control >> 12) & 1u)
          .Text(", vlanId=").Decimal(control & 0x0FFFu);
    });
    etherType = ReadU16(data + 16);
    AddHexField(result, vlan, texts::kEthType, 16, 2, etherType, 4);
    start = 18;
  }

  switch (etherType) {
    case kEtherTypeIpv4: PacketDecodeIpv4(data, length, start, length, result); break;
    case kEtherTypeIpv6: PacketDecodeIpv6(data, length, start, length, result); break;
    case kEtherTypeArp: PacketDecodeArp(data, length, start, length, result); break;
    default: {
      AddWarning(result, texts::kUnknownEtherType, etherType, true, 12);
      PacketAddPayloadLayer(result, start, length, texts::kEthernetPayload);
      break;
    }
  }
}

void PacketDecodeArp(const std::uint8_t* data, std::size_t length, std::size_t start,
                     std::size_t end, PacketResult* result) {
  const OpenedLayer arp = OpenLayer(result, texts::kLayerArp, start, end, length, 8, false,
                                    texts::kTruncatedArp);
  if (!arp.complete) return;
  const std::string_view id = texts::kLayerArp.id;
  const std::uint8_t* header = data + start;
  const std::uint16_t protocolType = ReadU16(header + 2);
  const std::size_t hardwareLength = header[4];
  const std::size_t protocolLength = header[5];
  AddDecimalField(result, id, texts::kArpHardwareType, start, 2, ReadU16(header));
  AddHexField(result, id, texts::kArpProtocolType, start + 2, 2, protocolType, 4);
  AddDecimalField(result, id, texts::kArpHardwareLength, start + 4, 1, hardwareLength);
  AddDecimalField(result, id, texts::kArpProtocolLength, start + 5, 1, protocolLength);
  AddDecimalField(result, id, texts::kArpOperation, start + 6, 2, ReadU16(header + 6));

  const std::size_t messageLength = 8 + 2 * (hardwareLength + protocolLength);
  if (arp.available < messageLength) {
    AddWarning(result, texts::kTruncatedArpAddresses, start + 8);
    return;
  }
  if (arp.layer != nullptr) arp.layer->length = messageLength;
  const bool ipv4 = protocolType == kEtherTypeIpv4;
  std::size_t offset = start + 8;
  AddHardwareAddress(result, texts::kArpSenderHardware, data, offset, hardwareLength);
  offset += hardwareLength;
  AddProtocolAddress(result, texts::kArpSenderProtocol, data, offset, protocolLength, ipv4);
  offset += protocolLength;
  AddHardwareAddress(result, texts::kArpTargetHardware, data, offset, hardwareLength);
  offset += hardwareLength;
  AddProtocolAddress(result, texts::kArpTargetProtocol, data, offset, protocolLength, ipv4);
  PacketAddTrailingLayer(result, start + messageLength, arp.bound, texts::kArpTrailing);
}

}  // namespace nubo
