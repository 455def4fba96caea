#pragma once

#include <cstddef>
#include <cstdint>

#include "datatools/packet/packet_result.h"

// Decoder of Ethernet II, one 802.1Q tag, ARP, IPv4, IPv6, ICMP, ICMPv6, TCP
// and UDP into a PacketResult. Plain functions: no allocation, no exceptions,
// no shared state. Malformed bytes become warnings, never a failed call.
namespace nubo {

// 0 on success, -1 when data or result is null (zero bytes still need a
// non-null pointer), -2 when mode is not a PacketMode.
int PacketInspect(const std::uint8_t* data, std::size_t length, PacketMode mode,
                  PacketResult* result);

// "auto", "ethernet", "ipv4", "ipv6", "tcp", "udp", "raw"; "unknown" otherwise.
const char* PacketModeName(PacketMode mode);

// Whether a complete standard header starts there; used by automatic detection.
bool PacketProbeEthernet(const std::uint8_t* data, std::size_t length);
bool PacketProbeIpv4(const std::uint8_t* data, std::size_t length, std::size_t offset);
bool PacketProbeIpv6(const std::uint8_t* data, std::size_t length, std::size_t offset);

// Each decoder appends its layers, fields and warnings to result. It reads
// only the bytes from start up to the smaller of end and length.
void PacketDecodeEthernet(const std::uint8_t* data, std::size_t length, PacketResult* result);
void PacketDecodeArp(const std::uint8_t* data, std::size_t length, std::size_t start,
                     std::size_t end, PacketResult* result);
void PacketDecodeIpv4(const std::uint8_t* data, std::size_t length, std::size_t start,
                      std::size_t end, PacketResult* result);
void PacketDecodeIpv6(const std::uint8_t* data, std::size_t length, std::size_t start,
                      std::size_t end, PacketResult* result);
// protocol: the IP protocol or next-header number; ipVersion: 4 or 6.
void PacketDecodeTransport(const std::uint8_t* data, std::size_t length, std::size_t start,
                           std::size_t end, unsigned protocol, unsigned ipVersion,
                           PacketResult* result);
void PacketDecodeTcp(const std::uint8_t* data, std::size_t length, std::size_t start,
                     std::size_t end, PacketResult* result);
void PacketDecodeUdp(const std::uint8_t* data, std::size_t length, std::size_t start,
                     std::size_t end, PacketResult* result);
// ipVersion 6 decodes ICMPv6, any other value ICMP.
void PacketDecodeIcmp(const std::uint8_t* data, std::size_t length, std::size_t start,
                      std::size_t end, unsigned ipVersion, PacketResult* result);

}  // namespace nubo
