#include "datatools/packet/packet_decoder.h"
#include "datatools/packet/packet_decode_support.h"

namespace nubo {
namespace {

using namespace packet_detail;
namespace texts = packet_texts;

constexpr const char* kModeNames[] = {"auto", "ethernet", "ipv4", "ipv6", "tcp", "udp", "raw"};

void DecodeRaw(std::size_t length, PacketResult* result) {
  PacketAppendSummary(result, texts::kSummaryRaw);
  PacketAddPayloadLayer(result, 0, length, texts::kRawPayload);
}

void DecodeAutomatically(const std::uint8_t* data, std::size_t length, PacketResult* result) {
  if (PacketProbeEthernet(data, length)) {
    result->confidence = texts::kConfidenceEthernetDetected;
    PacketDecodeEthernet(data, length, result);
  } else if (PacketProbeIpv4(data, length, 0)) {
    result->confidence = texts::kConfidenceIpDetected;
    PacketDecodeIpv4(data, length, 0, length, result);
  } else if (PacketProbeIpv6(data, length, 0)) {
    result->confidence = texts::kConfidenceIpDetected;
    PacketDecodeIpv6(data, length, 0, length, result);
  } else {
    DecodeRaw(length, result);
    AddWarning(result, texts::kUnknownProtocol, 0);
  }
}

int StartConfidence(PacketMode mode) {
  switch (mode) {
    case PacketMode::kAuto: return texts::kConfidenceAuto;
    case PacketMode::kRaw: return texts::kConfidenceRaw;
    default: return texts::kConfidenceExplicit;
  }
}

}  // namespace

const char* PacketModeName(PacketMode mode) {
  const auto index = static_cast<std::uint32_t>(mode);
  return index <= kPacketModeLast ? kModeNames[index] : "unknown";
}

int PacketInspect(const std::uint8_t* data, std::size_t length, PacketMode mode,
                  PacketResult* result) {
  if (data == nullptr || result == nullptr) return -1;
  if (static_cast<std::uint32_t>(mode) > kPacketModeLast) return -2;

  result->inputLength = length;
  result->mode = mode;
  result->summary[0] = '\0';
  result->confidence = StartConfidence(mode);
  result->fieldCount = 0;
  result->layerCount = 0;
  result->warningCount = 0;

  if (length == 0) {
    PacketAppendSummary(result, texts::kSummaryEmpty);
    AddWarning(result, texts::kEmptyInput, 0);
    return 0;
  }

  switch (mode) {
    case PacketMode::kAuto: DecodeAutomatically(data, length, result); break;
    case PacketMode::kEthernet: PacketDecodeEthernet(data, length, result); break;
    case PacketMode::kIpv4: PacketDecodeIpv4(data, length, 0, length, result); break;
    case PacketMode::kIpv6: PacketDecodeIpv6(data, length, 0, length, result); break;
    case PacketMode::kTcp: PacketDecodeTcp(data, length, 0, length, result); break;
    case PacketMode::kUdp: PacketDecodeUdp(data, length, 0, length, result); break;
    case PacketMode::kRaw: DecodeRaw(length, result); break;
  }
  if (result->summary[0] == '\0') PacketAppendSummary(result, texts::kSummaryUnknown);
  return 0;
}

bool PacketProbeEthernet(const std::uint8_t* data, std::size_t length) {
  if (length < 14) return false;
  std::uint16_t etherType = ReadU16(data + 12);
  std::size_t start = 14;
  if (etherType == kEtherTypeVlan || etherType == kEtherTypeQinQ) {
    if (length < 18) return false;
    etherType = ReadU16(data + 16);
    start = 18;
  }
  switch (etherType) {
    case kEtherTypeIpv4: return PacketProbeIpv4(data, length, start);
    case kEtherTypeIpv6: return PacketProbeIpv6(data, length, start);
    case kEtherTypeArp: {
      const std::size_t available = length - start;
      if (available < 8) return false;
      const std::size_t addresses = 2 * (static_cast<std::size_t>(data[start + 4]) + data[start + 5]);
      return available >= 8 + addresses;
    }
    default: return false;
  }
}

bool PacketProbeIpv4(const std::uint8_t* data, std::size_t length, std::size_t offset) {
  const std::size_t available = Available(offset, length);
  if (available < 20) return false;
  const std::uint8_t* header = data + offset;
  if ((header[0] >> 4) != 4) return false;
  const std::size_t headerLength = (header[0] & 0x0Fu) * 4u;
  if (headerLength < 20 || headerLength > available) return false;
  const std::size_t totalLength = ReadU16(header + 2);
  return totalLength >= headerLength && totalLength <= available;
}

bool PacketProbeIpv6(const std::uint8_t* data, std::size_t length, std::size_t offset) {
  const std::size_t available = Available(offset, length);
  if (available < 40) return false;
  const std::uint8_t* header = data + offset;
  if ((header[0] >> 4) != 6) return false;
  return ReadU16(header + 4) <= available - 40;
}

}  // namespace nubo
