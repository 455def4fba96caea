#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "datatools/packet/packet_result.h"

// Frame builders and result readers for the packet decoder tests.
namespace nubo::testing {

using Bytes = std::vector<std::uint8_t>;

// Pairs of hexadecimal digits; blanks between pairs are ignored.
Bytes HexBytes(std::string_view hex);
Bytes Concat(std::initializer_list<Bytes> parts);
Bytes Zeros(std::size_t count);
// The first length bytes in a buffer of exactly that size, so that the
// sanitizer sees any read past the end.
Bytes Prefix(const Bytes& bytes, std::size_t length);

// Destination 00:11:22:33:44:55, source 66:77:88:99:AA:BB.
Bytes EthernetHeader(std::uint16_t etherType);
Bytes VlanTag(std::uint16_t tagControl, std::uint16_t etherType);
// ARP over IPv4 with MAC addresses: 02:00:00:00:00:01 192.168.0.1 asks for 192.168.0.2.
Bytes ArpRequest();
// Identification 0x1234, TTL 64, checksum 0xBEEF, 192.168.1.10 -> 10.0.0.1;
// options (zeros) fill the header up to the length that versionIhl names.
Bytes Ipv4Header(std::uint16_t totalLength, std::uint8_t protocol, std::uint8_t versionIhl = 0x45,
                 std::uint16_t fragment = 0);
// Traffic class 0, flow label 0, hop limit 64, fe80::1 -> ff02::1.
Bytes Ipv6Header(std::uint16_t payloadLength, std::uint8_t nextHeader, std::uint8_t firstByte = 0x60);
// Ports 1234 -> 80, sequence 1000, acknowledgment 0, window 8192, checksum 0xBB25;
// options (zeros) fill the header up to dataOffsetWords.
Bytes TcpHeader(std::uint16_t flags = 0x002, std::uint8_t dataOffsetWords = 5);
// Ports 53 -> 5353, checksum 0xA862.
Bytes UdpHeader(std::uint16_t length);
// Checksum 0xF7FF.
Bytes IcmpHeader(std::uint8_t type, std::uint8_t code);

std::unique_ptr<PacketResult> Inspect(const Bytes& bytes, PacketMode mode);

// Null when the result has no such field or layer.
const PacketField* FindField(const PacketResult& result, std::string_view layer,
                             std::string_view name);
const PacketLayer* FindLayer(const PacketResult& result, std::string_view id);
std::string FieldValue(const PacketResult& result, std::string_view layer, std::string_view name);

// "id@offset+length" for every layer, "code@offset" for every warning.
std::vector<std::string> LayerSpans(const PacketResult& result);
std::vector<std::string> WarningSpots(const PacketResult& result);

}  // namespace nubo::testing
