#pragma once

#include <string_view>

// Every name, summary and warning text the packet decoder writes.
namespace nubo::packet_texts {

// protocol: the short name joined into the result's summary.
struct LayerText {
  std::string_view id;
  std::string_view name;
  std::string_view summary;
  std::string_view protocol;
};

struct FieldText {
  std::string_view name;
  std::string_view summary;
};

// A message with one number between `before` and `after`, or a fixed message
// when `after` is empty and no number is given.
struct WarningText {
  std::string_view code;
  std::string_view before;
  std::string_view after = {};
};

// Summaries of the whole result without a decoded layer, and the separator.
inline constexpr std::string_view kSummaryEmpty = "Empty";
inline constexpr std::string_view kSummaryRaw = "Raw bytes";
inline constexpr std::string_view kSummaryUnknown = "Unknown";
inline constexpr std::string_view kSummarySeparator = " / ";

// Layers; the payload and trailing layers take their summary from the caller.
inline constexpr LayerText kLayerEthernet{"ethernet", "Ethernet II", "Ethernet frame header", "Ethernet II"};
inline constexpr LayerText kLayerVlan{"vlan", "IEEE 802.1Q VLAN", "VLAN tag", "802.1Q"};
inline constexpr LayerText kLayerArp{"arp", "Address Resolution Protocol", "ARP message", "ARP"};
inline constexpr LayerText kLayerIpv4{"ipv4", "Internet Protocol Version 4", "IPv4 packet", "IPv4"};
inline constexpr LayerText kLayerIpv6{"ipv6", "Internet Protocol Version 6", "IPv6 fixed header", "IPv6"};
inline constexpr LayerText kLayerTcp{"tcp", "Transmission Control Protocol", "TCP segment", "TCP"};
inline constexpr LayerText kLayerUdp{"udp", "User Datagram Protocol", "UDP datagram header", "UDP"};
inline constexpr LayerText kLayerIcmp{"icmp", "ICMP", "Control message header", "ICMP"};
inline constexpr LayerText kLayerIcmpv6{"icmpv6", "ICMPv6", "Control message header", "ICMPv6"};
inline constexpr std::string_view kPayloadId = "payload";
inline constexpr std::string_view kPayloadName = "Payload";
inline constexpr std::string_view kTrailingId = "trailing";
inline constexpr std::string_view kTrailingName = "Trailing bytes";
inline constexpr FieldText kFieldData{"data", ""};

// Summaries of the payload and trailing layers.
inline constexpr std::string_view kRawPayload = "No protocol boundary can be inferred safely";
inline constexpr std::string_view kEthernetPayload = "Ethernet payload is not decoded";
inline constexpr std::string_view kArpTrailing = "Bytes outside the computed ARP message";
inline constexpr std::string_view kFragmentPayload = "Fragment payload";
inline constexpr std::string_view kIpv4Trailing = "Bytes outside the declared IPv4 packet";
inline constexpr std::string_view kIpv6ExtensionPayload = "IPv6 extension header and payload";
inline constexpr std::string_view kIpv6Trailing = "Bytes outside the declared IPv6 packet";
inline constexpr std::string_view kTransportPayload = "Transport payload is not decoded";
inline constexpr std::string_view kTcpPayload = "TCP application data";
inline constexpr std::string_view kUdpPayload = "UDP application data";
inline constexpr std::string_view kUdpTrailing = "Bytes outside the declared UDP datagram";
inline constexpr std::string_view kIcmpPayload = "ICMP message-specific data";

// Ethernet and 802.1Q.
inline constexpr FieldText kEthDestination{"destination", "Destination MAC address"};
inline constexpr FieldText kEthSource{"source", "Source MAC address"};
inline constexpr FieldText kEthType{"etherType", "Encapsulated protocol EtherType"};
inline constexpr FieldText kVlanTagControl{"tagControl", "Priority, drop eligibility and VLAN identifier"};

// ARP.
inline constexpr FieldText kArpHardwareType{"hardwareType", "Link-layer address type"};
inline constexpr FieldText kArpProtocolType{"protocolType", "Network protocol EtherType"};
inline constexpr FieldText kArpHardwareLength{"hardwareAddressLength", "Hardware address size"};
inline constexpr FieldText kArpProtocolLength{"protocolAddressLength", "Protocol address size"};
inline constexpr FieldText kArpOperation{"operation", "ARP request/reply operation"};
inline constexpr FieldText kArpSenderHardware{"senderHardwareAddress", "Sender hardware address"};
inline constexpr FieldText kArpSenderProtocol{"senderProtocolAddress", "Sender protocol address"};
inline constexpr FieldText kArpTargetHardware{"targetHardwareAddress", "Target hardware address"};
inline constexpr FieldText kArpTargetProtocol{"targetProtocolAddress", "Target protocol address"};

// IPv4.
inline constexpr FieldText kIpv4Version{"version", "High four bits identify IPv4"};
inline constexpr FieldText kIpv4HeaderLength{"headerLength", "IPv4 Internet Header Length"};
inline constexpr FieldText kIpv4DscpEcn{"dscpEcn", "DSCP and ECN bits"};
inline constexpr FieldText kIpv4TotalLength{"totalLength", "IPv4 header plus payload length"};
inline constexpr FieldText kIpv4Identification{"identification", "Fragment identification"};
inline constexpr FieldText kIpv4FlagsAndOffset{"fragment", "Fragment flags and offset"};
inline constexpr FieldText kIpv4Ttl{"ttl", "Time to live"};
inline constexpr FieldText kIpv4Protocol{"protocol", "Encapsulated protocol number"};
inline constexpr FieldText kIpv4Checksum{"headerChecksum", "IPv4 header checksum (not validated)"};
inline constexpr FieldText kIpv4Source{"source", "Source IPv4 address"};
inline constexpr FieldText kIpv4Destination{"destination", "Destination IPv4 address"};
inline constexpr FieldText kIpv4Options{"options", "IPv4 options (raw)"};

// IPv6.
inline constexpr FieldText kIpv6Version{"version", "High four bits identify IPv6"};
inline constexpr FieldText kIpv6ClassAndFlow{"trafficClassAndFlowLabel", "Traffic class and flow label"};
inline constexpr FieldText kIpv6PayloadLength{"payloadLength", "Bytes following the fixed IPv6 header"};
inline constexpr FieldText kIpv6NextHeader{"nextHeader", "IPv6 next-header number"};
inline constexpr FieldText kIpv6HopLimit{"hopLimit", "IPv6 hop limit"};
inline constexpr FieldText kIpv6Source{"source", "Source IPv6 address"};
inline constexpr FieldText kIpv6Destination{"destination", "Destination IPv6 address"};

// TCP.
inline constexpr FieldText kTcpSourcePort{"sourcePort", "Source TCP port"};
inline constexpr FieldText kTcpDestinationPort{"destinationPort", "Destination TCP port"};
inline constexpr FieldText kTcpSequence{"sequenceNumber", "Sequence number"};
inline constexpr FieldText kTcpAcknowledgment{"acknowledgmentNumber", "Acknowledgment number"};
inline constexpr FieldText kTcpHeaderLength{"headerLength", "TCP data offset"};
inline constexpr FieldText kTcpFlags{"flags", "NS/CWR/ECE/URG/ACK/PSH/RST/SYN/FIN flags"};
inline constexpr FieldText kTcpWindow{"window", "Advertised receive window"};
inline constexpr FieldText kTcpChecksum{"checksum", "TCP checksum (not validated)"};
inline constexpr FieldText kTcpUrgentPointer{"urgentPointer", "Urgent pointer"};
inline constexpr FieldText kTcpOptions{"options", "TCP options (raw)"};

// UDP.
inline constexpr FieldText kUdpSourcePort{"sourcePort", "Source UDP port"};
inline constexpr FieldText kUdpDestinationPort{"destinationPort", "Destination UDP port"};
inline constexpr FieldText kUdpLength{"length", "UDP header plus payload length"};
inline constexpr FieldText kUdpChecksum{"checksum", "UDP checksum (not validated)"};

// ICMP and ICMPv6.
inline constexpr FieldText kIcmpType{"type", "ICMP message type"};
inline constexpr FieldText kIcmpCode{"code", "ICMP message code"};
inline constexpr FieldText kIcmpChecksum{"checksum", "ICMP checksum (not validated)"};

// Warnings. Codes beginning with "invalid-" or "truncated-" cost 30 points of
// confidence, every other code 10.
inline constexpr WarningText kEmptyInput{"empty-input", "No packet bytes were supplied"};
inline constexpr WarningText kUnknownProtocol{"unknown-protocol", "Automatic detection found no reliable standard header"};
inline constexpr WarningText kTruncatedEthernet{"truncated-ethernet", "Ethernet II header needs 14 bytes"};
inline constexpr WarningText kTruncatedVlan{"truncated-vlan", "802.1Q tag needs 4 bytes"};
inline constexpr WarningText kUnknownEtherType{"unknown-ethertype", "EtherType 0x", " is not decoded"};
inline constexpr WarningText kTruncatedArp{"truncated-arp", "ARP fixed header needs 8 bytes"};
inline constexpr WarningText kTruncatedArpAddresses{"truncated-arp-addresses", "ARP address fields exceed available bytes"};
inline constexpr WarningText kTruncatedIpv4{"truncated-ipv4", "IPv4 header needs at least 20 bytes"};
inline constexpr WarningText kInvalidIpv4Version{"invalid-ipv4-version", "Version nibble is not 4"};
inline constexpr WarningText kInvalidIpv4Header{"invalid-ipv4-header", "IPv4 IHL is smaller than 20 bytes"};
inline constexpr WarningText kTruncatedIpv4Options{"truncated-ipv4-options", "IPv4 header or options exceed available bytes"};
inline constexpr WarningText kInvalidIpv4Length{"invalid-ipv4-length", "IPv4 total length is smaller than its header"};
inline constexpr WarningText kTruncatedIpv4Payload{"truncated-ipv4-payload", "IPv4 total length exceeds available bytes"};
inline constexpr WarningText kIpv4TrailingBytes{"ipv4-trailing-bytes", "Bytes remain after the declared IPv4 packet"};
inline constexpr WarningText kIpv4Fragment{"ipv4-fragment", "Non-initial IPv4 fragment; protocol ", " not decoded"};
inline constexpr WarningText kTruncatedIpv6{"truncated-ipv6", "IPv6 header needs 40 bytes"};
inline constexpr WarningText kInvalidIpv6Version{"invalid-ipv6-version", "Version nibble is not 6"};
inline constexpr WarningText kTruncatedIpv6Payload{"truncated-ipv6-payload", "IPv6 payload length exceeds available bytes"};
inline constexpr WarningText kIpv6TrailingBytes{"ipv6-trailing-bytes", "Bytes remain after the declared IPv6 packet"};
inline constexpr WarningText kIpv6ExtensionHeader{"ipv6-extension-header", "IPv6 extension headers are preserved as raw payload"};
inline constexpr WarningText kUnknownTransport{"unknown-transport", "Unrecognized IP next-header value ", ""};
inline constexpr WarningText kTruncatedTcp{"truncated-tcp", "TCP header needs at least 20 bytes"};
inline constexpr WarningText kInvalidTcpHeader{"invalid-tcp-header", "TCP data offset is smaller than 20 bytes"};
inline constexpr WarningText kTruncatedTcpOptions{"truncated-tcp-options", "TCP header or options exceed available bytes"};
inline constexpr WarningText kTruncatedUdp{"truncated-udp", "UDP header needs 8 bytes"};
inline constexpr WarningText kInvalidUdpLength{"invalid-udp-length", "UDP length is smaller than its header"};
inline constexpr WarningText kTruncatedUdpPayload{"truncated-udp-payload", "UDP length exceeds available packet bytes"};
inline constexpr WarningText kUdpTrailingBytes{"udp-trailing-bytes", "Bytes remain after the declared UDP datagram"};
inline constexpr WarningText kTruncatedIcmp{"truncated-icmp", "ICMP header needs 4 bytes"};

// Confidence.
inline constexpr int kConfidenceAuto = 20;
inline constexpr int kConfidenceRaw = 0;
inline constexpr int kConfidenceExplicit = 65;
inline constexpr int kConfidenceEthernetDetected = 98;
inline constexpr int kConfidenceIpDetected = 88;
inline constexpr int kStepSevere = 30;
inline constexpr int kStepMild = 10;
inline constexpr std::string_view kSeverePrefixes[] = {"invalid-", "truncated-"};

}  // namespace nubo::packet_texts
