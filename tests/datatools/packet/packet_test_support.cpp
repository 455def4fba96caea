#include "tests/datatools/packet/packet_test_support.h"

#include <stdexcept>

#include "datatools/packet/packet_decoder.h"

namespace nubo::testing {
namespace {

int Nibble(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  throw std::invalid_argument("not a hexadecimal digit");
}

void PutU16(Bytes& bytes, std::uint16_t value) {
  bytes.push_back(static_cast<std::uint8_t>(value >> 8));
  bytes.push_back(static_cast<std::uint8_t>(value));
}

}  // namespace

Bytes HexBytes(std::string_view hex) {
  Bytes bytes;
  for (std::size_t i = 0; i < hex.size();) {
    if (hex[i] == ' ') {
      ++i;
      continue;
    }
    if (i + 1 >= hex.size()) throw std::invalid_argument("half a byte");
    bytes.push_back(static_cast<std::uint8_t>(Nibble(hex[i]) * 16 + Nibble(hex[i + 1])));
    i += 2;
  }
  return bytes;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes bytes;
  for (const Bytes& part : parts) bytes.insert(bytes.end(), part.begin(), part.end());
  return bytes;
}

Bytes Prefix(const Bytes& bytes, std::size_t length) {
  return Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length));
}

Bytes Zeros(std::size_t count) { return Bytes(count, 0); }

Bytes EthernetHeader(std::uint16_t etherType) {
  Bytes bytes = HexBytes("001122334455 66778899AABB");
  PutU16(bytes, etherType);
  return bytes;
}

Bytes VlanTag(std::uint16_t tagControl, std::uint16_t etherType) {
  Bytes bytes;
  PutU16(bytes, tagControl);
  PutU16(bytes, etherType);
  return bytes;
}

Bytes ArpRequest() {
  return HexBytes("0001 0800 06 04 0001 020000000001 C0A80001 000000000000 C0A80002");
}

Bytes Ipv4Header(std::uint16_t totalLength, std::uint8_t protocol, std::uint8_t versionIhl,
                 std::uint16_t fragment) {
  Bytes bytes{versionIhl, 0x00};
  PutU16(bytes, totalLength);
  PutU16(bytes, 0x1234);
  PutU16(bytes, fragment);
  bytes.push_back(64);
  bytes.push_back(protocol);
  PutU16(bytes, 0xBEEF);
  const Bytes addresses = HexBytes("C0A8010A 0A000001");
  bytes.insert(bytes.end(), addresses.begin(), addresses.end());
  const std::size_t headerLength = (versionIhl & 0x0Fu) * 4u;
  if (headerLength > bytes.size()) bytes.resize(headerLength, 0);
  return bytes;
}

Bytes Ipv6Header(std::uint16_t payloadLength, std::uint8_t nextHeader, std::uint8_t firstByte) {
  Bytes bytes{firstByte, 0x00, 0x00, 0x00};
  PutU16(bytes, payloadLength);
  bytes.push_back(nextHeader);
  bytes.push_back(64);
  const Bytes addresses =
      HexBytes("FE800000000000000000000000000001 FF020000000000000000000000000001");
  bytes.insert(bytes.end(), addresses.begin(), addresses.end());
  return bytes;
}

Bytes TcpHeader(std::uint16_t flags, std::uint8_t dataOffsetWords) {
  Bytes bytes;
  PutU16(bytes, 1234);
  PutU16(bytes, 80);
  const Bytes numbers = HexBytes("000003E8 00000000");
  bytes.insert(bytes.end(), numbers.begin(), numbers.end());
  PutU16(bytes, static_cast<std::uint16_t>((dataOffsetWords << 12) | (flags & 0x0FFFu)));
  PutU16(bytes, 8192);
  PutU16(bytes, 0xBB25);
  PutU16(bytes, 0);
  if (dataOffsetWords * 4u > bytes.size()) bytes.resize(dataOffsetWords * 4u, 0);
  return bytes;
}

Bytes UdpHeader(std::uint16_t length) {
  Bytes bytes;
  PutU16(bytes, 53);
  PutU16(bytes, 5353);
  PutU16(bytes, length);
  PutU16(bytes, 0xA862);
  return bytes;
}

Bytes IcmpHeader(std::uint8_t type, std::uint8_t code) { return Bytes{type, code, 0xF7, 0xFF}; }

std::unique_ptr<PacketResult> Inspect(const Bytes& bytes, PacketMode mode) {
  auto result = std::make_unique<PacketResult>();
  static const std::uint8_t kNothing = 0;
  const std::uint8_t* data = bytes.empty() ? &kNothing : bytes.data();
  if (PacketInspect(data, bytes.size(), mode, result.get()) != 0) {
    throw std::logic_error("PacketInspect failed");
  }
  return result;
}

const PacketField* FindField(const PacketResult& result, std::string_view layer,
                             std::string_view name) {
  for (std::uint64_t i = 0; i < result.fieldCount; ++i) {
    const PacketField& field = result.fields[i];
    if (layer == field.layer && name == field.name) return &field;
  }
  return nullptr;
}

const PacketLayer* FindLayer(const PacketResult& result, std::string_view id) {
  for (std::uint64_t i = 0; i < result.layerCount; ++i) {
    if (id == result.layers[i].id) return &result.layers[i];
  }
  return nullptr;
}

std::string FieldValue(const PacketResult& result, std::string_view layer, std::string_view name) {
  const PacketField* field = FindField(result, layer, name);
  return field != nullptr ? std::string(field->value) : std::string("<missing>");
}

std::vector<std::string> LayerSpans(const PacketResult& result) {
  std::vector<std::string> spans;
  for (std::uint64_t i = 0; i < result.layerCount; ++i) {
    const PacketLayer& layer = result.layers[i];
    spans.push_back(std::string(layer.id) + "@" + std::to_string(layer.offset) + "+" +
                    std::to_string(layer.length));
  }
  return spans;
}

std::vector<std::string> WarningSpots(const PacketResult& result) {
  std::vector<std::string> spots;
  for (std::uint64_t i = 0; i < result.warningCount; ++i) {
    const PacketWarning& warning = result.warnings[i];
    spots.push_back(std::string(warning.code) + "@" + std::to_string(warning.offset));
  }
  return spots;
}

}  // namespace nubo::testing
